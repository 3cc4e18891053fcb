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
// An event handler; Sender is the object that raises the event.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// The root of the object model: not copyable, destroyed through a virtual
// destructor, named by ClassName.
class ZEL_API TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  // The class name as the library reports it in messages ("TStringArray").
  virtual String ClassName() const;
};

// An object whose state can be copied from another with Assign.
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
  // Raises EConvertError "Cannot assign a <class of Source> to a <this class>"
  // ("nil" for a null Source).
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// A named object that owns the components created with it as owner.
class ZEL_API TComponent : public TPersistent {
 public:
  // A component owned by AOwner (which then destroys it), or by its creator
  // when AOwner is null.
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const noexcept { return owner_; }  // The owner; null when none.
  const String& Name() const noexcept { return name_; }  // The name; empty by default.
  // Sets the name to NewName (no check of any kind).
  virtual void SetName(const String& NewName);

  // The number of owned components.
  int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
  // The owned component at Index, 0-based in order of insertion; nullptr
  // outside the range.
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
