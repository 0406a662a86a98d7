// The standalone player under Wine: the image resource, the movie read back from a projector's
// own file, the window around the player view, and the file dialog system's program name.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "builders/projector_layout.h"
#include "builders/runtime_image_win32.h"
#include "projector/own_movie_win32.h"
#include "projector/player_window_win32.h"
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

}  // namespace
