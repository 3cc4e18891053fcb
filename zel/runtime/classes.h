// The runtime's object model: TObject, TPersistent and TComponent.
//
// TComponent mirrors the ownership rules callers rely on: a component created
// with an owner is destroyed by that owner; a component deleted by its caller
// first leaves its owner's list; a component with a null owner belongs to
// whoever created it.
#pragma once

#include <functional>
#include <vector>

#include "zel/runtime/types.h"

namespace zel {

class TObject;
using TNotifyEvent = std::function<void(TObject* Sender)>;

class ZEL_API TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  // The class name as the library reports it in messages ("TStringArray").
  virtual String ClassName() const;
};

class ZEL_API TPersistent : public TObject {
 public:
  // Copies the state of Source. The default hands the work to
  // Source->AssignTo(this); when nobody can, it raises EConvertError
  // "Cannot assign a <source class> to a <this class>" (a null source reads
  // as "nil").
  virtual void Assign(const TPersistent* Source);

  // Copies this object's state into Dest. The default raises the conversion
  // error above.
  virtual void AssignTo(TPersistent* Dest) const;

  String ClassName() const override;

 protected:
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

class ZEL_API TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const noexcept { return owner_; }
  const String& Name() const noexcept { return name_; }
  virtual void SetName(const String& NewName);

  int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
  // 0-based; nullptr outside the range.
  TComponent* Components(int Index) const noexcept;

  // Takes ownership of AComponent (removing it from its previous owner).
  void InsertComponent(TComponent* AComponent);
  // Gives up ownership of AComponent; the caller then owns it.
  void RemoveComponent(TComponent* AComponent);

  String ClassName() const override;

 private:
  TComponent* owner_ = nullptr;
  String name_;
  std::vector<TComponent*> components_;
};

}  // namespace zel
