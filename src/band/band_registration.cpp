#include "band/band_registration.h"

#include <memory>

#include "config/band_identity.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace pq::band {
namespace {

std::string ClassKey(const std::string& class_id) { return "CLSID\\" + class_id; }

void WriteServerEntry(Platform& platform, const std::string& path, const std::string& value) {
  uint32_t error = 0;
  std::unique_ptr<RegistryKey> key =
      platform.registry->OpenOrCreate(RegRoot::ClassesRoot, path, error);
  if (!key || key->WriteValue("", RegType::String, value) != kErrorSuccess)
    throw Error("Error creating system registry entry");
}

// One step of the band's registration: the key is created when missing and
// closed at once; no key, no value.
void WriteBandValue(Platform& platform, RegRoot root, const std::string& path,
                    const std::string& name, const std::string& value) {
  uint32_t error = 0;
  std::unique_ptr<RegistryKey> key = platform.registry->OpenOrCreate(root, path, error);
  if (!key) return;
  if (key->WriteValue(name, RegType::String, value) != kErrorSuccess)
    throw Error("Failed to set data for '" + name + "'");
}

void DeleteValueIfKeyExists(Platform& platform, RegRoot root, const std::string& path,
                            const std::string& name) {
  uint32_t error = 0;
  std::unique_ptr<RegistryKey> key = platform.registry->OpenExisting(root, path, error);
  if (key) (void)key->DeleteValue(name);
}

}  // namespace

void RegisterServerEntries(Platform& platform, const RegistrationInfo& info) {
  WriteServerEntry(platform, ClassKey(info.class_id), info.description);
  WriteServerEntry(platform, ClassKey(info.class_id) + "\\InprocServer32", info.server_path);
}

void UnregisterServerEntries(Platform& platform, const std::string& class_id) {
  (void)platform.registry->DeleteKey(RegRoot::ClassesRoot, ClassKey(class_id) + "\\InprocServer32");
  (void)platform.registry->DeleteKey(RegRoot::ClassesRoot, ClassKey(class_id));
}

void RegisterBandKeys(Platform& platform, const RegistrationInfo& info) {
  const std::string class_key = ClassKey(info.class_id);
  WriteBandValue(platform, RegRoot::ClassesRoot, class_key, "", info.toolbar_name);
  WriteBandValue(platform, RegRoot::ClassesRoot, class_key + "\\InProcServer32", "ThreadingModel",
                 "Apartment");
  {
    uint32_t error = 0;
    (void)platform.registry->OpenOrCreate(
        RegRoot::ClassesRoot, class_key + "\\Implemented Categories\\" + kDeskBandCategory, error);
  }
  WriteBandValue(platform, RegRoot::LocalMachine, kBrowserToolbarKey, info.class_id,
                 info.toolbar_name);
  WriteBandValue(platform, RegRoot::LocalMachine, kExplorerBarsKey, info.class_id, "");
  WriteBandValue(platform, RegRoot::LocalMachine,
                 std::string(kExplorerBarsKey) + "\\" + info.class_id, "Date", info.date_text);
}

void UnregisterBandKeys(Platform& platform, const std::string& class_id) {
  Registry& registry = *platform.registry;
  const std::string class_key = ClassKey(class_id);
  const std::string band_key = std::string(kExplorerBarsKey) + "\\" + class_id;
  (void)registry.DeleteTree(RegRoot::ClassesRoot,
                            std::string("Component Categories\\") + kDeskBandCategory + "\\Enum");
  (void)registry.DeleteTree(RegRoot::ClassesRoot,
                            class_key + "\\Implemented Categories\\" + kDeskBandCategory);
  (void)registry.DeleteTree(RegRoot::ClassesRoot, class_key + "\\InProcServer32");
  (void)registry.DeleteTree(RegRoot::ClassesRoot, class_key);
  (void)registry.DeleteTree(RegRoot::LocalMachine, band_key + "\\MRUKeywords");
  (void)registry.DeleteTree(RegRoot::LocalMachine, band_key);
  DeleteValueIfKeyExists(platform, RegRoot::LocalMachine,
                         "Software\\Microsoft\\Internet Explorer\\Toolbar", class_id);
  DeleteValueIfKeyExists(platform, RegRoot::LocalMachine, std::string(kExplorerBarsKey) + "\\",
                         class_id);
}

}  // namespace pq::band
