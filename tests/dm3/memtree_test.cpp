#include <gtest/gtest.h>

#include <string>

#include "logic/core/errors.h"
#include "logic/dm3/memtree.h"

namespace orvella {
namespace {

std::string Names(const TPPMemNode& n) {
  std::string s;
  for (const TPPMemNode* c : n.Children()) s += (s.empty() ? "" : "|") + c->Name();
  return s;
}

TEST(MemTree, NewNodeIsALeafWithoutList) {
  TPPMemNode root("r");
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_FALSE(root.HasChildren());
  EXPECT_EQ(root.FirstChild(), nullptr);
  EXPECT_EQ(root.FindChild("r"), nullptr);
  EXPECT_EQ(root.Parent(), nullptr);
  EXPECT_EQ(root.Data(), nullptr);
}

TEST(MemTree, ClearEmptiesNameDataAndChildrenAndTheRootCanBeRefilled) {
  TPPMemNode root("root");
  root.SetData(dm3::AllocBlock(32));
  root.AddChild("a")->AddChild("b");
  root.AddChild("c");
  root.Clear();
  EXPECT_EQ(root.Name(), "");
  EXPECT_EQ(root.Data(), nullptr);
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_EQ(root.FirstChild(), nullptr);
  EXPECT_FALSE(root.HasChildren());
  TPPMemNode* again = root.AddChild("again");
  EXPECT_EQ(again->Parent(), &root);
  EXPECT_EQ(Names(root), "again");
}

TEST(MemTree, FindChildIsExactAndAnswersTheFirstOfEqualNames) {
  TPPMemNode root;
  TPPMemNode* data = root.AddChild("Data");
  EXPECT_EQ(root.FindChild("data"), nullptr);
  EXPECT_EQ(root.FindChild("DATA"), nullptr);
  EXPECT_EQ(root.FindChild("Data"), data);
  TPPMemNode* first = root.AddChild("twin");
  root.AddChild("twin");
  EXPECT_EQ(root.FindChild("twin"), first);
  EXPECT_EQ(root.FindChild(""), nullptr);
  root.AddChild("");
  EXPECT_NE(root.FindChild(""), nullptr);
}

TEST(MemTree, DeletingAChildTakesItOutOfItsParent) {
  TPPMemNode root;
  TPPMemNode* a = root.AddChild("a");
  TPPMemNode* b = root.AddChild("b");
  TPPMemNode* c = root.AddChild("c");
  b->AddChild("under b")->SetData(dm3::AllocBlock(8));
  delete b;
  EXPECT_EQ(root.ChildCount(), 2);
  EXPECT_EQ(Names(root), "a|c");
  EXPECT_EQ(root.ChildAfter(a), c);
  delete a;
  delete c;
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_FALSE(root.HasChildren());
  EXPECT_EQ(root.FirstChild(), nullptr);
}

TEST(MemTree, SiblingWalk) {
  TPPMemNode root;
  TPPMemNode* a = root.AddChild("a");
  TPPMemNode* b = root.AddChild("b");
  TPPMemNode other;
  TPPMemNode* stranger = other.AddChild("x");
  EXPECT_EQ(root.FirstChild(), a);
  EXPECT_EQ(a->NextSibling(), b);
  EXPECT_EQ(b->NextSibling(), nullptr);
  EXPECT_EQ(root.NextSibling(), nullptr);
  EXPECT_EQ(root.ChildAfter(b), nullptr);
  EXPECT_EQ(root.ChildAfter(stranger), nullptr);
  EXPECT_EQ(root.ChildAfter(nullptr), nullptr);
  EXPECT_EQ(stranger->NextSibling(), nullptr);
}

TEST(MemTree, PathIncludesTheRootNameEvenWhenEmpty) {
  TPPMemNode root;
  TPPMemNode* list = root.AddChild("ImageList");
  TPPMemNode* zero = list->AddChild("0");
  EXPECT_EQ(root.Path("."), "");
  EXPECT_EQ(list->Path("."), ".ImageList");
  EXPECT_EQ(zero->Path("."), ".ImageList.0");
  TPPMemNode named("top");
  EXPECT_EQ(named.AddChild("a")->AddChild("b")->Path(" / "), "top / a / b");
}

TEST(MemTree, AssignRefusesWhatIsNotATreeView) {
  TPPMemNode a("a");
  TPPMemNode b("b");
  try {
    a.Assign(&b);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("TPPMemNode"), std::string::npos) << e.what();
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
  EXPECT_THROW(a.AssignTo(b), EConvertError);
  EXPECT_EQ(a.Name(), "a");
  EXPECT_EQ(b.Name(), "b");
}

}  // namespace
}  // namespace orvella
