#pragma once
// Where a builder gets the program it copies into each output file: the main program reads its
// own resource, tests and the command-line tool serve the bytes from memory or a file.

#include <string>

#include "core/result.h"

namespace builders {

class RuntimeImageSource {
public:
    virtual ~RuntimeImageSource() = default;
    // The whole image, unchanged.
    virtual core::Result<std::string> fetchImage() = 0;
};

// An image held in memory.
class FixedRuntimeImage final : public RuntimeImageSource {
public:
    explicit FixedRuntimeImage(std::string bytes) : m_bytes(std::move(bytes)) {}
    core::Result<std::string> fetchImage() override { return m_bytes; }

private:
    std::string m_bytes;
};

}  // namespace builders
