// Test helpers of the DM3 reader: every load writes "DM3_Tags.txt" in the
// current directory, so each test runs in a temporary one.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "support/testdir.h"

namespace orvella::test {

// Makes a temporary folder the current directory for its lifetime.
class CurrentDirScope {
 public:
  CurrentDirScope() : saved_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.host()); }
  ~CurrentDirScope() { std::filesystem::current_path(saved_); }
  const TestDir& dir() const { return dir_; }

 private:
  TestDir dir_;
  std::filesystem::path saved_;
};

class Dm3Test : public ::testing::Test {
 protected:
  // Loads bytes into image_; answers the message of the error raised, or
  // the empty text when the load succeeds.
  std::string Load(const std::string& bytes) {
    dm3::MemoryStream stream(bytes.data(), bytes.size());
    try {
      image_.LoadFromStream(stream);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  }
  bool DumpExists() const { return cwd_.dir().exists("DM3_Tags.txt"); }
  std::string Dump() const { return cwd_.dir().read("DM3_Tags.txt"); }
  // The node at a path of names below the root, or null.
  const TPPMemNode* Node(std::initializer_list<std::string> names) const {
    const TPPMemNode* n = &image_.Tags();
    for (const std::string& name : names) {
      n = n->FindChild(name);
      if (!n) return nullptr;
    }
    return n;
  }
  // The names of a node's children, joined by "|".
  static std::string ChildNames(const TPPMemNode* n) {
    std::string s;
    if (!n) return "<none>";
    for (const TPPMemNode* c : n->Children()) s += (s.empty() ? "" : "|") + c->Name();
    return s;
  }

  CurrentDirScope cwd_;
  TDM3Image image_;
};

}  // namespace orvella::test
