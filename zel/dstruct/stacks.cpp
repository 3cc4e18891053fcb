#include "zel/dstruct/stacks.h"

#include <cstdint>
#include <new>

#include "zel/dstruct/internal/component_error.h"
#include "zel/runtime/sysutils.h"

namespace zel {

namespace {

constexpr int32_t kDefaultStackSize = 20;
constexpr int32_t kMaxStackSize = 999;

bool AcceptedStackSize(int32_t v) noexcept { return v >= 1 && v <= kMaxStackSize; }

}  // namespace

// ---- TStringStack ---------------------------------------------------------------

TStringStack::TStringStack(TComponent* AOwner) : TComponent(AOwner), FStrings(kDefaultStackSize) {}
TStringStack::~TStringStack() = default;
String TStringStack::ClassName() const { return u"TStringStack"; }

void TStringStack::SetMaxSize(int32_t Value) {
  if (!AcceptedStackSize(Value)) return;
  FStrings.assign(static_cast<size_t>(Value), String());
  FStackSize = Value;
  FStackPoi = 0;
}

int32_t TStringStack::Push(const String& Str) {
  if (FStackPoi >= FStackSize) return -1;
  FStrings[static_cast<size_t>(FStackPoi)] = Str;
  return ++FStackPoi;
}

int32_t TStringStack::Pop(String& Str) {
  if (FStackPoi <= 0) {
    Str.clear();
    return -1;
  }
  --FStackPoi;
  Str = FStrings[static_cast<size_t>(FStackPoi)];
  return 0;
}

int32_t TStringStack::CloneString(int32_t ix, String& Str) const {
  if (ix < 1 || ix > FStackPoi) {
    Str.clear();
    return -1;
  }
  Str = FStrings[static_cast<size_t>(ix - 1)];
  return 0;
}

int32_t TStringStack::FindString(const String& Str, bool SubString, bool IgnoreCase) const {
  if (SubString && Str.empty()) return 0;
  const String wanted = IgnoreCase ? LowerCase(Str) : Str;
  for (int32_t i = 0; i < FStackPoi; ++i) {
    const String& entry = FStrings[static_cast<size_t>(i)];
    const String folded = IgnoreCase ? LowerCase(entry) : String();
    const String& e = IgnoreCase ? folded : entry;
    if (SubString ? e.find(wanted) != String::npos : e == wanted) return i + 1;
  }
  return 0;
}

// ---- T2DArrayStack --------------------------------------------------------------

T2DArrayStack::T2DArrayStack(TComponent* AOwner)
    : TComponent(AOwner), FData(kDefaultStackSize), FNames(kDefaultStackSize) {}
T2DArrayStack::~T2DArrayStack() = default;
String T2DArrayStack::ClassName() const { return u"T2DArrayStack"; }

void T2DArrayStack::SetMaxSize(int32_t Value) {
  if (!AcceptedStackSize(Value)) return;
  FData.assign(static_cast<size_t>(Value), TDouble2DArray());
  FNames.assign(static_cast<size_t>(Value), String());
  FStackSize = Value;
  FStackPoi = 0;
}

String T2DArrayStack::ArrayName(int32_t idx) const {
  if (idx < 1 || idx > FStackPoi) return String();
  return FNames[static_cast<size_t>(idx - 1)];
}

void T2DArrayStack::SetArrayName(int32_t idx, const String& Name) {
  if (idx < 1 || idx > FStackPoi) return;
  FNames[static_cast<size_t>(idx - 1)] = Name;
}

int32_t T2DArrayStack::Push(const TDouble2DArray& Arr) { return Push(Arr, String()); }

int32_t T2DArrayStack::Push(const TDouble2DArray& Arr, const String& Name) {
  if (FStackPoi >= FStackSize) return -1;
  FData[static_cast<size_t>(FStackPoi)] = Arr;
  FNames[static_cast<size_t>(FStackPoi)] = Name;
  return ++FStackPoi;
}

int32_t T2DArrayStack::Pop(TDouble2DArray& Arr) {
  String name;
  return Pop(Arr, name);
}

int32_t T2DArrayStack::Pop(TDouble2DArray& Arr, String& Name) {
  if (FStackPoi <= 0) {
    Arr.clear();
    Name.clear();
    return -1;
  }
  --FStackPoi;
  const auto top = static_cast<size_t>(FStackPoi);
  Arr = std::move(FData[top]);
  FData[top].clear();
  Name = FNames[top];
  return 0;
}

int32_t T2DArrayStack::CloneArray(int32_t ix, TDouble2DArray& Arr) const {
  if (ix < 1 || ix > FStackPoi) {
    Arr.clear();
    return -1;
  }
  Arr = FData[static_cast<size_t>(ix - 1)];
  return 0;
}

int32_t T2DArrayStack::FindByName(const String& Name) const {
  const String wanted = LowerCase(Name);
  for (int32_t i = 0; i < FStackPoi; ++i)
    if (LowerCase(FNames[static_cast<size_t>(i)]) == wanted) return i + 1;
  return 0;
}

// ---- TStringAccu ----------------------------------------------------------------

TStringAccu::TStringAccu(TComponent* AOwner) : TComponent(AOwner) {}
TStringAccu::~TStringAccu() = default;
String TStringAccu::ClassName() const { return u"TStringAccu"; }

void TStringAccu::Add(const String& AString) {
  if (auto it = index_.find(AString); it != index_.end()) {
    int32_t& count = FCntArray[static_cast<size_t>(it->second)];
    if (count < INT32_MAX) ++count;  // saturates rather than wrapping
    return;
  }
  try {
    FStrArray.push_back(AString);
    try {
      FCntArray.push_back(1);
      index_.emplace(AString, FSize);
    } catch (...) {
      if (FCntArray.size() > FStrArray.size() - 1) FCntArray.pop_back();
      FStrArray.pop_back();
      throw;
    }
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  }
  ++FSize;
}

String TStringAccu::Elem(int32_t ix) const {
  if (ix < 1 || ix > FSize) return String();
  return FStrArray[static_cast<size_t>(ix - 1)];
}

int32_t TStringAccu::Count(int32_t ix) const {
  if (ix < 1 || ix > FSize) return 0;
  return FCntArray[static_cast<size_t>(ix - 1)];
}

void TStringAccu::Clear() {
  FSize = 0;
  FStrArray.clear();
  FStrArray.shrink_to_fit();
  FCntArray.clear();
  FCntArray.shrink_to_fit();
  index_.clear();
}

}  // namespace zel
