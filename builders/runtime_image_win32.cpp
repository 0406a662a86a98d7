#include "builders/runtime_image_win32.h"

namespace builders {

core::Result<std::string> ResourceRuntimeImage::fetchImage() {
    const std::string name = "resource CUSTOM " + std::to_string(m_id);
    HRSRC found = FindResourceW(m_module, MAKEINTRESOURCEW(m_id), L"CUSTOM");
    if (!found) return core::makeError(core::ErrorCode::NotFound, name + " is missing");
    const DWORD size = SizeofResource(m_module, found);
    HGLOBAL loaded = LoadResource(m_module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return core::makeError(core::ErrorCode::IoError, name + " cannot be loaded");
    return std::string(static_cast<const char*>(bytes), size);
}

}  // namespace builders
