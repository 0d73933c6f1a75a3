#pragma once
// An in-memory registry: keys and value names compare without regard to case,
// as in the real one. Failures can be switched on per key.
#include <map>
#include <set>
#include <string>

#include "platform/registry.h"

namespace pq::fakes {

struct FakeValue {
  RegType type;
  std::string data;
};

struct FakeKey {
  std::map<std::string, FakeValue> values;   // by lower-case name
  std::map<std::string, std::string> names;  // lower-case name -> name as written
};

class FakeRegistry : public Registry {
 public:
  // Direct access for arranging and inspecting state.
  void Put(RegRoot root, const std::string& path, const std::string& name, RegType type,
           const std::string& data);
  void PutText(RegRoot root, const std::string& path, const std::string& name,
               const std::string& text) {
    Put(root, path, name, RegType::String, text);
  }
  const FakeValue* Find(RegRoot root, const std::string& path, const std::string& name) const;
  bool KeyExists(RegRoot root, const std::string& path) const;
  size_t KeyCount() const { return keys_.size(); }

  // Keys whose opening for write fails with the given error, and keys whose
  // value writes are refused.
  std::map<std::string, uint32_t> deny_open;  // lower-case path -> error
  std::map<RegRoot, uint32_t> deny_root;      // every key of a root -> error
  std::set<std::string> refuse_writes;        // lower-case path
  uint32_t refuse_code = kErrorAccessDenied;  // what a refused write returns

  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  uint32_t DeleteTree(RegRoot root, const std::string& path) override;
  uint32_t DeleteKey(RegRoot root, const std::string& path) override;

 private:
  using Id = std::pair<RegRoot, std::string>;
  bool Denied(RegRoot root, const std::string& path, uint32_t& error) const;
  uint32_t Refusal(const std::string& path) const;
  static Id MakeId(RegRoot root, const std::string& path);
  std::map<Id, FakeKey> keys_;
};

}  // namespace pq::fakes
