// Property lists and the opcode facts table.

#include "avm1/object.h"

#include <array>

#include "avm1/case_map.h"
#include "avm1/opcodes.h"

namespace avm1 {

namespace {

constexpr std::array<OpInfo, 256> buildOpTable() {
    std::array<OpInfo, 256> t{};
#define AVM1_ROW(code, name, pops, pushes, version) t[code] = OpInfo{#name, pops, pushes, version};
    AVM1_OPCODES(AVM1_ROW)
#undef AVM1_ROW
    return t;
}

constexpr std::array<OpInfo, 256> kOpTable = buildOpTable();

}  // namespace

const OpInfo& opInfo(std::uint8_t code) { return kOpTable[code]; }

bool sameName(std::string_view a, std::string_view b, NameCase mode) {
    if (mode == NameCase::Sensitive) return a == b;
    return equalFolded(a, b);
}

Property* Object::findOwn(std::string_view name, NameCase mode) {
    // Newest first: recent properties are the likely ones in loops.
    for (auto it = m_props.rbegin(); it != m_props.rend(); ++it)
        if (sameName(it->name, name, mode)) return &*it;
    return nullptr;
}

Property& Object::define(std::string_view name, Value v, std::uint8_t flags, NameCase mode) {
    if (Property* p = findOwn(name, mode)) {
        p->value = std::move(v);
        p->getter.reset();
        p->setter.reset();
        if (flags) p->flags = flags;
        return *p;
    }
    m_props.push_back(Property{std::string(name), std::move(v), nullptr, nullptr, flags});
    return m_props.back();
}

bool Object::remove(std::string_view name, NameCase mode) {
    for (auto it = m_props.begin(); it != m_props.end(); ++it) {
        if (!sameName(it->name, name, mode)) continue;
        if (it->flags & kDontDelete) return false;
        m_props.erase(it);
        return true;
    }
    return false;
}

bool parseIndex(std::string_view s, std::size_t& index) {
    if (s.empty() || s.size() > 9) return false;
    if (s.size() > 1 && s[0] == '0') return false;
    std::size_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::size_t>(c - '0');
    }
    index = v;
    return true;
}

}  // namespace avm1
