#include "zel/runtime/classes.h"

#include <algorithm>

#include "zel/runtime/exception.h"

namespace zel {

TObject::~TObject() = default;
String TObject::ClassName() const { return u"TObject"; }

String TPersistent::ClassName() const { return u"TPersistent"; }

void TPersistent::Assign(const TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  if (Dest == nullptr) throw EConvertError(u"Cannot assign a " + ClassName() + u" to a nil");
  throw EConvertError(u"Cannot assign a " + ClassName() + u" to a " + Dest->ClassName());
}

void TPersistent::AssignError(const TPersistent* Source) const {
  const String source_name = Source != nullptr ? Source->ClassName() : String(u"nil");
  throw EConvertError(u"Cannot assign a " + source_name + u" to a " + ClassName());
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Owned components are destroyed last-first; each leaves our list itself.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    delete child;
  }
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

String TComponent::ClassName() const { return u"TComponent"; }

void TComponent::SetName(const String& NewName) { name_ = NewName; }

TComponent* TComponent::Components(int Index) const noexcept {
  if (Index < 0 || Index >= ComponentCount()) return nullptr;
  return components_[static_cast<size_t>(Index)];
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ == this) return;
  if (AComponent->owner_ != nullptr) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ != this) return;
  components_.erase(std::remove(components_.begin(), components_.end(), AComponent),
                    components_.end());
  AComponent->owner_ = nullptr;
}

}  // namespace zel
