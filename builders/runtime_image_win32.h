#pragma once
// A runtime image carried as a custom resource of the running program: the screensaver runtime
// is resource type "CUSTOM" number 102 of the main program, the standalone player number 101.

#include <windows.h>

#include "builders/runtime_image.h"

namespace builders {

inline constexpr int kSaverRuntimeResourceId = 102;
// The standalone player that every projector starts with.
inline constexpr int kPlayerResourceId = 101;

class ResourceRuntimeImage final : public RuntimeImageSource {
public:
    // Resource `id` of type "CUSTOM" in `module` (nullptr: the program's own file).
    explicit ResourceRuntimeImage(int id, HMODULE module = nullptr) : m_id(id), m_module(module) {}
    core::Result<std::string> fetchImage() override;

private:
    int m_id;
    HMODULE m_module;
};

}  // namespace builders
