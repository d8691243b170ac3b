// TComponent: the toolkit's owned-object tree. An owner destroys the components it
// owns, newest first, when it is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

 private:
  void Insert(TComponent* c) { components_.push_back(c); }
  void Remove(TComponent* c);

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
};
