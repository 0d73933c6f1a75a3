#include "fakes/fake_registry.h"

#include <algorithm>
#include <cctype>

namespace pq::fakes {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Normalise(const std::string& path) {
  std::string lower = Lower(path);
  while (!lower.empty() && lower.back() == '\\') lower.pop_back();
  return lower;
}

class FakeKeyHandle : public RegistryKey {
 public:
  FakeKeyHandle(FakeKey& key, bool writable, uint32_t refuse)
      : key_(key), writable_(writable), refuse_(refuse) {}

  std::optional<RegValueInfo> QueryValue(const std::string& name) override {
    auto it = key_.values.find(Lower(name));
    if (it == key_.values.end()) return std::nullopt;
    return RegValueInfo{it->second.type, static_cast<int64_t>(it->second.data.size())};
  }
  std::optional<std::string> ReadValue(const std::string& name) override {
    auto it = key_.values.find(Lower(name));
    if (it == key_.values.end()) return std::nullopt;
    return it->second.data;
  }
  uint32_t WriteValue(const std::string& name, RegType type, const std::string& data) override {
    if (!writable_) return kErrorAccessDenied;
    if (refuse_ != kErrorSuccess) return refuse_;
    key_.values[Lower(name)] = FakeValue{type, data};
    key_.names[Lower(name)] = name;
    return kErrorSuccess;
  }
  uint32_t DeleteValue(const std::string& name) override {
    if (!writable_) return kErrorAccessDenied;
    return key_.values.erase(Lower(name)) ? kErrorSuccess : kErrorFileNotFound;
  }

 private:
  FakeKey& key_;
  bool writable_;
  uint32_t refuse_;  // what every write returns; success when writes are allowed
};

}  // namespace

FakeRegistry::Id FakeRegistry::MakeId(RegRoot root, const std::string& path) {
  return {root, Normalise(path)};
}

void FakeRegistry::Put(RegRoot root, const std::string& path, const std::string& name, RegType type,
                       const std::string& data) {
  FakeKey& key = keys_[MakeId(root, path)];
  key.values[Lower(name)] = FakeValue{type, data};
  key.names[Lower(name)] = name;
}

const FakeValue* FakeRegistry::Find(RegRoot root, const std::string& path,
                                    const std::string& name) const {
  auto key = keys_.find(MakeId(root, path));
  if (key == keys_.end()) return nullptr;
  auto value = key->second.values.find(Lower(name));
  return value == key->second.values.end() ? nullptr : &value->second;
}

bool FakeRegistry::KeyExists(RegRoot root, const std::string& path) const {
  return keys_.count(MakeId(root, path)) != 0;
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenReadOnly(RegRoot root, const std::string& path) {
  auto key = keys_.find(MakeId(root, path));
  if (key == keys_.end()) return nullptr;
  return std::make_unique<FakeKeyHandle>(key->second, false, kErrorSuccess);
}

bool FakeRegistry::Denied(RegRoot root, const std::string& path, uint32_t& error) const {
  auto denied = deny_open.find(Normalise(path));
  if (denied != deny_open.end()) {
    error = denied->second;
    return true;
  }
  auto root_denied = deny_root.find(root);
  if (root_denied != deny_root.end()) {
    error = root_denied->second;
    return true;
  }
  return false;
}

uint32_t FakeRegistry::Refusal(const std::string& path) const {
  return refuse_writes.count(Normalise(path)) ? refuse_code : kErrorSuccess;
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenExisting(RegRoot root, const std::string& path,
                                                        uint32_t& error) {
  if (Denied(root, path, error)) return nullptr;
  auto key = keys_.find(MakeId(root, path));
  if (key == keys_.end()) {
    error = kErrorFileNotFound;
    return nullptr;
  }
  error = kErrorSuccess;
  return std::make_unique<FakeKeyHandle>(key->second, true, Refusal(path));
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenOrCreate(RegRoot root, const std::string& path,
                                                        uint32_t& error) {
  if (Denied(root, path, error)) return nullptr;
  // Every missing key on the way is created, as the registry does.
  std::string prefix = Normalise(path);
  for (size_t cut = 0; (cut = prefix.find('\\', cut + 1)) != std::string::npos;)
    keys_[{root, prefix.substr(0, cut)}];
  FakeKey& key = keys_[MakeId(root, path)];
  error = kErrorSuccess;
  return std::make_unique<FakeKeyHandle>(key, true, Refusal(path));
}

uint32_t FakeRegistry::DeleteTree(RegRoot root, const std::string& path) {
  const std::string target = Normalise(path);
  size_t removed = 0;
  for (auto it = keys_.begin(); it != keys_.end();) {
    const bool below = it->first.second.rfind(target + "\\", 0) == 0;
    if (it->first.first == root && (it->first.second == target || below)) {
      it = keys_.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  return removed ? kErrorSuccess : kErrorFileNotFound;
}

uint32_t FakeRegistry::DeleteKey(RegRoot root, const std::string& path) {
  const std::string target = Normalise(path);
  for (const auto& [id, key] : keys_)
    if (id.first == root && id.second.rfind(target + "\\", 0) == 0) return kErrorAccessDenied;
  return keys_.erase(MakeId(root, path)) ? kErrorSuccess : kErrorFileNotFound;
}

}  // namespace pq::fakes
