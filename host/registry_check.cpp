#include "registry_check.h"

#include "plat/registry.h"

#include <cstdio>
#include <string>

namespace tavrin::host {

bool RegistryReadable() {
    LONG result = plat::CheckRegistryStore();
    if (result == ERROR_SUCCESS) return true;
    plat::RegistryStoreError failure = plat::LastRegistryStoreError();
    std::string path = failure.path.empty() ? plat::RegistryPath() : failure.path;
    std::string reason = failure.reason.empty() ? plat::ErrorDescription(result) : failure.reason;
    std::fprintf(stderr, "tavrin-host: the registry %s cannot be read: %s: %s\n", path.c_str(),
                 plat::ErrorCodeText(result).c_str(), reason.c_str());
    return false;
}

} // namespace tavrin::host
