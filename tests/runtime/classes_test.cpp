#include "zel/runtime/classes.h"

#include <gtest/gtest.h>

#include "zel/runtime/exception.h"

namespace zel {
namespace {

struct Counted : TComponent {
  explicit Counted(TComponent* owner, int* deaths) : TComponent(owner), deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }
  int* deaths_;
};

TEST(Component, OwnerDestroysOwnedAndDeletedChildLeavesOwner) {
  int deaths = 0;
  auto* owner = new TComponent(nullptr);
  auto* a = new Counted(owner, &deaths);
  new Counted(owner, &deaths);
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete a;
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(5), nullptr);
  delete owner;
  EXPECT_EQ(deaths, 2);
}

TEST(Persistent, DefaultAssignRaisesConversionError) {
  TPersistent a;
  TComponent c(nullptr);
  try {
    c.Assign(&a);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TPersistent to a TComponent");
  }
  try {
    c.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a nil to a TComponent");
  }
}

}  // namespace
}  // namespace zel
