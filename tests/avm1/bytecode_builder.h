#pragma once
// A small assembler for action bytecode, so that tests can write the scripts they need.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "avm1/opcodes.h"

namespace avm1test {

using avm1::Op;

class Asm {
public:
    std::vector<std::uint8_t> bytes;

    Asm& op(Op o) {
        bytes.push_back(static_cast<std::uint8_t>(o));
        return *this;
    }
    Asm& action(Op o, const std::vector<std::uint8_t>& data) {
        op(o);
        u16(data.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Asm& str(const std::string& s) {
        std::vector<std::uint8_t> d{0};
        d.insert(d.end(), s.begin(), s.end());
        d.push_back(0);
        return action(Op::Push, d);
    }
    Asm& num(double v) {
        std::vector<std::uint8_t> d{6};
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        std::uint32_t hi = static_cast<std::uint32_t>(bits >> 32), lo = static_cast<std::uint32_t>(bits);
        for (std::uint32_t w : {hi, lo})
            for (int i = 0; i < 4; ++i) d.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
        return action(Op::Push, d);
    }
    Asm& integer(std::int32_t v) {
        std::vector<std::uint8_t> d{7};
        for (int i = 0; i < 4; ++i) d.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        return action(Op::Push, d);
    }
    Asm& null() { return action(Op::Push, {2}); }
    Asm& undef() { return action(Op::Push, {3}); }
    Asm& boolean(bool b) { return action(Op::Push, {5, static_cast<std::uint8_t>(b)}); }
    Asm& reg(std::uint8_t r) { return action(Op::Push, {4, r}); }
    Asm& constant(std::uint8_t i) { return action(Op::Push, {8, i}); }
    Asm& store(std::uint8_t r) { return action(Op::StoreRegister, {r}); }
    Asm& pool(const std::vector<std::string>& strings) {
        std::vector<std::uint8_t> d;
        d.push_back(static_cast<std::uint8_t>(strings.size()));
        d.push_back(0);
        for (const auto& s : strings) {
            d.insert(d.end(), s.begin(), s.end());
            d.push_back(0);
        }
        return action(Op::ConstantPool, d);
    }
    // Shorthands.
    Asm& trace() { return op(Op::Trace); }
    Asm& getVar(const std::string& name) { return str(name).op(Op::GetVariable); }
    Asm& setVar(const std::string& name, double v) { return str(name).num(v).op(Op::SetVariable); }
    Asm& traceVar(const std::string& name) { return getVar(name).trace(); }
    Asm& traceStr(const std::string& s) { return str(s).trace(); }
    // Calls `name` with the values already pushed (last argument first): pushes count and name.
    Asm& call(const std::string& name, int argc) { return num(argc).str(name).op(Op::CallFunction); }

    // Branches: returns the position of the offset to patch; patch() points it at `target`.
    std::size_t branch(Op o) {
        action(o, {0, 0});
        return bytes.size() - 2;
    }
    void patch(std::size_t at, std::size_t target) {
        auto off = static_cast<std::int16_t>(static_cast<std::ptrdiff_t>(target) - static_cast<std::ptrdiff_t>(at + 2));
        bytes[at] = static_cast<std::uint8_t>(off);
        bytes[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(off) >> 8);
    }
    std::size_t here() const { return bytes.size(); }

    Asm& defineFunction(const std::string& name, const std::vector<std::string>& params, const Asm& body) {
        std::vector<std::uint8_t> d(name.begin(), name.end());
        d.push_back(0);
        push16(d, params.size());
        for (const auto& p : params) {
            d.insert(d.end(), p.begin(), p.end());
            d.push_back(0);
        }
        push16(d, body.bytes.size());
        action(Op::DefineFunction, d);
        bytes.insert(bytes.end(), body.bytes.begin(), body.bytes.end());
        return *this;
    }
    Asm& defineFunction2(const std::string& name, std::uint8_t registers, std::uint16_t flags,
                         const std::vector<std::pair<std::uint8_t, std::string>>& params, const Asm& body) {
        std::vector<std::uint8_t> d(name.begin(), name.end());
        d.push_back(0);
        push16(d, params.size());
        d.push_back(registers);
        push16(d, flags);
        for (const auto& [r, p] : params) {
            d.push_back(r);
            d.insert(d.end(), p.begin(), p.end());
            d.push_back(0);
        }
        push16(d, body.bytes.size());
        action(Op::DefineFunction2, d);
        bytes.insert(bytes.end(), body.bytes.begin(), body.bytes.end());
        return *this;
    }
    // try { t } catch (name) { c } finally { f } (catch and finally optional: empty Asm = absent).
    Asm& tryBlock(const Asm& t, const std::string& catchName, const Asm* c, const Asm* f) {
        std::vector<std::uint8_t> d;
        d.push_back(static_cast<std::uint8_t>((c ? 1 : 0) | (f ? 2 : 0)));
        push16(d, t.bytes.size());
        push16(d, c ? c->bytes.size() : 0);
        push16(d, f ? f->bytes.size() : 0);
        d.insert(d.end(), catchName.begin(), catchName.end());
        d.push_back(0);
        action(Op::Try, d);
        append(t);
        if (c) append(*c);
        if (f) append(*f);
        return *this;
    }
    // with (object on the stack) { body }
    Asm& with(const Asm& body) {
        std::vector<std::uint8_t> d;
        push16(d, body.bytes.size());
        action(Op::With, d);
        return append(body);
    }
    Asm& append(const Asm& other) {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }

private:
    void u16(std::size_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    static void push16(std::vector<std::uint8_t>& d, std::size_t v) {
        d.push_back(static_cast<std::uint8_t>(v));
        d.push_back(static_cast<std::uint8_t>(v >> 8));
    }
};

}  // namespace avm1test
