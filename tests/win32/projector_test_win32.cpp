// The standalone player under Wine: the image resource, the movie read back from a projector's
// own file, the window around the player view, the file dialog system's program name, and a
// projector made from the image running its movie's script.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bytecode_builder.h"
#include "builders/projector_layout.h"
#include "builders/runtime_image_win32.h"
#include "projector/own_movie_win32.h"
#include "projector/player_window_win32.h"
#include "swf/test_writer.h"
#include "winui/file_dialog_system_win32.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::wstring tempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp) + L"vfs_projector_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    CloseHandle(h);
}

TEST(PlayerImage, ResourceCustom101IsThePaddedPlayerWhole) {
    builders::ResourceRuntimeImage resource(builders::kPlayerResourceId);
    const core::Result<std::string> image = resource.fetchImage();
    ASSERT_TRUE(image) << image.error().message;
    ASSERT_EQ(image->size(), builders::kProjectorImageSize);
    EXPECT_EQ(image->substr(0, 2), "MZ");
    EXPECT_EQ(image->find("FWS"), std::string::npos);
    EXPECT_EQ(image->find("CWS"), std::string::npos);
    EXPECT_TRUE(readAll(VFS_PLAYER_IMAGE_PATH) == *image) << "the resource differs from player_image.bin";
}

struct OwnMovieCase {
    const char* name;
    std::string tail;  // what follows the image
    bool found;
    std::string movie;
};

class OwnMovie : public ::testing::TestWithParam<OwnMovieCase> {};

TEST_P(OwnMovie, ReadThroughTheTrailerOfTheProgramsOwnFile) {
    builders::ResourceRuntimeImage resource(builders::kPlayerResourceId);
    const core::Result<std::string> image = resource.fetchImage();
    ASSERT_TRUE(image);
    const std::wstring path = tempFile(L"own.exe");
    writeFile(path, *image + GetParam().tail);
    const std::optional<projector::OwnMovie> own = projector::readOwnMovie(path);
    DeleteFileW(path.c_str());
    ASSERT_EQ(own.has_value(), GetParam().found);
    if (own) {
        EXPECT_EQ(own->file.substr(own->offset, own->length), GetParam().movie);
        EXPECT_EQ(own->offset, builders::kProjectorImageSize);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, OwnMovie,
    ::testing::Values(
        OwnMovieCase{"Movie", "FWS\x05movie" + builders::projectorTrailer(9), true, "FWS\x05movie"},
        OwnMovieCase{"EmptyMovie", builders::projectorTrailer(0), true, ""},
        OwnMovieCase{"NoTrailer", "FWS\x05movie", false, ""},
        OwnMovieCase{"LengthTooLarge", "FWS" + builders::projectorTrailer(0x7FFFFFFF), false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OwnMovieFile, AMissingFileHasNoMovie) {
    EXPECT_FALSE(projector::readOwnMovie(tempFile(L"none.exe")).has_value());
    EXPECT_EQ(projector::fileNameOf(L"C:\\dir\\intro.exe"), L"intro.exe");
    EXPECT_EQ(projector::fileNameOf(L"intro.exe"), L"intro.exe");
}

TEST(PlayerWindowTest, SizedToTheStageCaptionedEscIgnoredClosingEndsTheLoop) {
    const std::string movie = readAll(VFS_SOURCE_DIR "/cli/demo/demo.swf");
    ASSERT_GT(movie.size(), 100u);
    projector::PlayerWindow window;
    ASSERT_TRUE(window.create(GetModuleHandleW(nullptr), L"intro.exe",
                              std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(movie.data()),
                                                            movie.size())));
    window.show(SW_SHOWNORMAL);
    RECT client {};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, 550);
    EXPECT_EQ(client.bottom, 400);
    wchar_t caption[64] = {};
    GetWindowTextW(window.hwnd(), caption, 64);
    EXPECT_STREQ(caption, L"intro.exe");
    const LONG style = GetWindowLongW(window.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    ASSERT_NE(window.view(), nullptr);
    EXPECT_TRUE(window.view()->loaded());
    EXPECT_TRUE(window.view()->loop());
    EXPECT_TRUE(window.view()->menu());
    EXPECT_EQ(window.view()->quality(), player::Quality::High);

    // Esc to the view and to the frame changes nothing.
    SendMessageW(window.view()->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(window.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(IsWindow(window.hwnd()));

    // Resizing keeps the view covering the client area.
    SetWindowPos(window.hwnd(), nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
    RECT frameClient {}, viewRect {};
    GetClientRect(window.hwnd(), &frameClient);
    GetClientRect(window.view()->hwnd(), &viewRect);
    EXPECT_EQ(viewRect.right, frameClient.right);
    EXPECT_EQ(viewRect.bottom, frameClient.bottom);

    PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(projector::PlayerWindow::runMessageLoop(), 0);
    EXPECT_EQ(window.hwnd(), nullptr);
}

TEST(FileDialogSystem, ProgramNameIsTheExecutableWithoutFolderOrExtension) {
    winui::Win32FileDialogSystem system;
    EXPECT_EQ(system.programName(), "test_projector_win32");
}

// A movie whose frame script fills the stage red with the drawing API; the stage is white, so
// red on screen means the script ran.
std::string scriptedMovie() {
    using avm1::Op;
    avm1test::Asm a;
    auto call = [&a](const char* method, std::initializer_list<double> args) {
        for (auto it = std::rbegin(args); it != std::rend(args); ++it) a.num(*it);
        a.num(static_cast<double>(args.size())).getVar("_root").str(method).op(Op::CallMethod).op(Op::Pop);
    };
    call("beginFill", {0xFF0000, 100});
    call("moveTo", {0, 0});
    call("lineTo", {200, 0});
    call("lineTo", {200, 150});
    call("lineTo", {0, 150});
    call("lineTo", {0, 0});
    call("endFill", {});
    swf::MovieWriter w(8, 200, 150);
    w.add(swf::SetBackgroundColor{swf::Rgba{255, 255, 255, 255}});
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    const swf::Bytes bytes = w.finish();
    return std::string(bytes.begin(), bytes.end());
}

// What the screen shows at a client point of another process's window (its own DC gives
// nothing there under Wine: the picture lives in the other process).
COLORREF screenPixel(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    HDC dc = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 1, 1);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, 1, 1, dc, p.x, p.y, SRCCOPY);
    const COLORREF c = GetPixel(mem, 0, 0);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, dc);
    return c;
}

template <class F>
bool waitFor(F done, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

TEST(ProjectorRun, TheShippedPlayerRunsTheMoviesScript) {
    std::string projectorFile;
    ASSERT_TRUE(builders::composeProjectorFile(readAll(VFS_PLAYER_IMAGE_PATH), scriptedMovie(), projectorFile));
    const std::wstring path = tempFile(L"scripted.exe");
    writeFile(path, projectorFile);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + path + L"\"";
    ASSERT_TRUE(CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const std::wstring caption = projector::fileNameOf(path);
    HWND frame = nullptr;
    EXPECT_TRUE(waitFor([&] { return (frame = FindWindowW(nullptr, caption.c_str())) != nullptr; }, 20000));
    // The window shows up before its view is made inside it.
    HWND view = nullptr;
    EXPECT_TRUE(waitFor([&] { return frame && (view = GetWindow(frame, GW_CHILD)) != nullptr; }, 10000));
    COLORREF seen = CLR_INVALID;
    if (view) waitFor([&] { return (seen = screenPixel(view, 100, 75)) == RGB(255, 0, 0); }, 10000);
    EXPECT_EQ(seen, RGB(255, 0, 0)) << "the frame script did not fill the stage";
    if (frame) PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileW(path.c_str());
}

}  // namespace
