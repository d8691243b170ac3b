// TComponent: the toolkit's owned-object tree. An owner destroys the components it
// owns, newest first, when it is destroyed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBinaryFormReader;

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  virtual const char* ClassName() const { return "TComponent"; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component of that name (ignoring case), or null.
  TComponent* FindComponent(const std::string& name) const;

  // Form streaming. ReadProperty reads one stored property's value; it returns false
  // when the class has no property of that name. Event properties name a method of the
  // root component, which FindMethod hands out (null: no such method).
  using Method = std::function<void(TComponent* sender)>;
  virtual bool ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root);
  virtual Method FindMethod(std::string_view name);
  // Called once the stored description has been read.
  virtual void Loaded() {}

 private:
  void Insert(TComponent* c) { components_.push_back(c); }
  void Remove(TComponent* c);

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
};
