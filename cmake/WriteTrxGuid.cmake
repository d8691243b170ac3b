# Writes the resource script of a build's translation resources to OUT. The texts carry
# no terminating zero: the GUID is 38 UTF-16 characters, the flag 65 bytes.
string(RANDOM LENGTH 32 ALPHABET 0123456789ABCDEF hex)
string(SUBSTRING "${hex}" 0 8 a)
string(SUBSTRING "${hex}" 8 4 b)
string(SUBSTRING "${hex}" 12 3 c)
string(SUBSTRING "${hex}" 15 3 d)
string(SUBSTRING "${hex}" 18 12 e)
# A version-4 GUID: random but for its version and variant digits.
set(guid "{${a}-${b}-4${c}-8${d}-${e}}")
file(WRITE "${OUT}.tmp"
  "LANGUAGE 0, 0\n"
  "\"KIV_TRX_GUID\" RCDATA { L\"${guid}\" }\n"
  "\"KIV_TRX_FLAG\" RCDATA { \"This application is enabled to version check its resource module.\" }\n")
file(RENAME "${OUT}.tmp" "${OUT}")
