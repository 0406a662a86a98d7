// VelloryPlayer.exe as shipped: a small loader that carries the player program LZMA-compressed
// in its resource 1 (RCDATA), maps it into memory and runs it. The program with the script
// interpreter is larger than the fixed projector image; compressed it fits with room to spare.
//
// Mapping follows the Windows loader: headers and sections copied to their virtual addresses,
// base relocations applied for wherever the block landed, imports bound by name or ordinal,
// section protections set, TLS callbacks called, then the entry point. The program registers
// its window classes with GetModuleHandle(nullptr), the loader's module, and reads the movie
// from the loader's file, as a directly started program would. Threads the program may start
// later get no TLS callbacks; the program keeps no per-thread state that needs them.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "core/lzma.h"

namespace {

// The largest program the loader accepts once decompressed.
constexpr std::size_t kMaxProgram = 16u << 20;

[[noreturn]] void fail(const wchar_t* what) {
    MessageBoxW(nullptr, what, L"Player", MB_OK | MB_ICONHAND);
    ExitProcess(4);
}

template <class T>
T* at(std::uint8_t* base, std::size_t rva) {
    return reinterpret_cast<T*>(base + rva);
}

bool inside(std::size_t offset, std::size_t size, std::size_t total) {
    return offset <= total && size <= total - offset;
}

// The program's PE headers, checked enough that the mapping below stays inside its buffers.
const IMAGE_NT_HEADERS32* headersOf(const std::uint8_t* file, std::size_t size) {
    if (size < sizeof(IMAGE_DOS_HEADER)) return nullptr;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) return nullptr;
    auto offset = static_cast<std::size_t>(dos->e_lfanew);
    if (!inside(offset, sizeof(IMAGE_NT_HEADERS32), size)) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file + offset);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return nullptr;
    std::size_t sections = offset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader;
    if (!inside(sections, nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER), size)) return nullptr;
    if (nt->OptionalHeader.SizeOfHeaders > size || nt->OptionalHeader.SizeOfHeaders > nt->OptionalHeader.SizeOfImage)
        return nullptr;
    return nt;
}

std::uint8_t* mapProgram(const std::uint8_t* file, std::size_t size) {
    const IMAGE_NT_HEADERS32* nt = headersOf(file, size);
    if (!nt) return nullptr;
    const std::size_t imageSize = nt->OptionalHeader.SizeOfImage;
    auto* image = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, imageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!image) return nullptr;
    std::memcpy(image, file, nt->OptionalHeader.SizeOfHeaders);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        std::size_t raw = section->SizeOfRawData;
        if (raw > section->Misc.VirtualSize && section->Misc.VirtualSize) raw = section->Misc.VirtualSize;
        if (!inside(section->PointerToRawData, raw, size) || !inside(section->VirtualAddress, raw, imageSize) ||
            !inside(section->VirtualAddress, section->Misc.VirtualSize, imageSize))
            return nullptr;
        std::memcpy(image + section->VirtualAddress, file + section->PointerToRawData, raw);
    }
    const IMAGE_DATA_DIRECTORY* dirs = nt->OptionalHeader.DataDirectory;

    // Base relocations: the program was linked for ImageBase, the block is elsewhere.
    const std::uint32_t delta = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image)) -
                                nt->OptionalHeader.ImageBase;
    const IMAGE_DATA_DIRECTORY& relocs = dirs[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    if (delta && !relocs.Size) return nullptr;
    if (!inside(relocs.VirtualAddress, relocs.Size, imageSize)) return nullptr;
    for (std::size_t pos = 0; delta && pos + sizeof(IMAGE_BASE_RELOCATION) <= relocs.Size;) {
        auto* block = at<IMAGE_BASE_RELOCATION>(image, relocs.VirtualAddress + pos);
        if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION) || block->SizeOfBlock > relocs.Size - pos) return nullptr;
        std::size_t count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / 2;
        auto* entries = reinterpret_cast<const std::uint16_t*>(block + 1);
        for (std::size_t k = 0; k < count; ++k) {
            unsigned type = entries[k] >> 12;
            std::size_t rva = block->VirtualAddress + (entries[k] & 0xFFF);
            if (type == IMAGE_REL_BASED_ABSOLUTE) continue;
            if (type != IMAGE_REL_BASED_HIGHLOW || !inside(rva, 4, imageSize)) return nullptr;
            std::uint32_t value;
            std::memcpy(&value, image + rva, 4);
            value += delta;
            std::memcpy(image + rva, &value, 4);
        }
        pos += block->SizeOfBlock;
    }

    // Imports.
    const IMAGE_DATA_DIRECTORY& imports = dirs[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!inside(imports.VirtualAddress, imports.Size, imageSize)) return nullptr;
    for (auto* desc = at<IMAGE_IMPORT_DESCRIPTOR>(image, imports.VirtualAddress);
         imports.Size && desc->Name; ++desc) {
        if (!inside(desc->Name, 1, imageSize)) return nullptr;
        HMODULE dll = LoadLibraryA(at<char>(image, desc->Name));
        if (!dll) return nullptr;
        std::size_t lookup = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        for (std::size_t k = 0;; ++k) {
            if (!inside(lookup + 4 * k, 4, imageSize) || !inside(desc->FirstThunk + 4 * k, 4, imageSize)) return nullptr;
            std::uint32_t entry = *at<std::uint32_t>(image, lookup + 4 * k);
            if (!entry) break;
            FARPROC fn;
            if (entry & IMAGE_ORDINAL_FLAG32) {
                fn = GetProcAddress(dll, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(entry & 0xFFFF)));
            } else {
                if (!inside(entry + 2, 1, imageSize)) return nullptr;
                fn = GetProcAddress(dll, at<char>(image, entry + 2));
            }
            if (!fn) return nullptr;
            *at<std::uint32_t>(image, desc->FirstThunk + 4 * k) =
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(fn));
        }
    }

    // Protections: code executable, everything else as its section asks.
    section = IMAGE_FIRST_SECTION(nt);
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        DWORD c = section->Characteristics, old = 0;
        bool exec = c & IMAGE_SCN_MEM_EXECUTE, write = c & IMAGE_SCN_MEM_WRITE;
        DWORD protect = exec ? (write ? PAGE_EXECUTE_READWRITE : PAGE_EXECUTE_READ) : (write ? PAGE_READWRITE : PAGE_READONLY);
        if (section->Misc.VirtualSize) VirtualProtect(image + section->VirtualAddress, section->Misc.VirtualSize, protect, &old);
    }
    FlushInstructionCache(GetCurrentProcess(), image, imageSize);

    // Thread-local storage: the C runtime's TLS callbacks run as the loader would run them for
    // the main thread. Implicit TLS data (a slot of its own per thread) is not set up: GCC keeps
    // thread_local variables in emulated TLS, so the program has none beyond the runtime's two
    // marker words, and a program that had more is refused rather than run with a wrong slot.
    const IMAGE_DATA_DIRECTORY& tls = dirs[IMAGE_DIRECTORY_ENTRY_TLS];
    if (tls.Size && inside(tls.VirtualAddress, sizeof(IMAGE_TLS_DIRECTORY32), imageSize)) {
        auto* dir = at<IMAGE_TLS_DIRECTORY32>(image, tls.VirtualAddress);
        if (dir->EndAddressOfRawData - dir->StartAddressOfRawData > 8 || dir->SizeOfZeroFill) return nullptr;
        if (dir->AddressOfCallBacks)
            for (auto* cb = reinterpret_cast<PIMAGE_TLS_CALLBACK*>(static_cast<std::uintptr_t>(dir->AddressOfCallBacks)); *cb; ++cb)
                (*cb)(image, DLL_PROCESS_ATTACH, nullptr);
    }
    return image;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = res ? LoadResource(instance, res) : nullptr;
    const auto* packed = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    DWORD packedSize = res ? SizeofResource(instance, res) : 0;
    // The .lzma layout: five property bytes, the unpacked size (all ones: unknown, the stream
    // then ends with a marker), then the stream.
    if (!packed || packedSize < 13) fail(L"The player program is missing.");
    std::uint64_t size = 0;
    for (int i = 0; i < 8; ++i) size |= static_cast<std::uint64_t>(packed[5 + i]) << (8 * i);
    const bool sized = size != ~std::uint64_t{0};
    if (sized && size > kMaxProgram) fail(L"The player program is damaged.");
    auto program = core::decodeLzma(std::span<const std::uint8_t>(packed, 5),
                                    std::span<const std::uint8_t>(packed + 13, packedSize - 13),
                                    sized ? static_cast<std::size_t>(size) : kMaxProgram, kMaxProgram);
    if (!program || !program->complete) fail(L"The player program is damaged.");
    std::uint8_t* image = mapProgram(program->data.data(), program->data.size());
    if (!image) fail(L"The player program cannot be loaded.");
    const IMAGE_NT_HEADERS32* nt = headersOf(image, program->data.size());
    using Entry = void(WINAPI*)();
    auto entry = reinterpret_cast<Entry>(image + nt->OptionalHeader.AddressOfEntryPoint);
    program->data = {};
    entry();  // the program's startup code ends the process
    return 0;
}
