#pragma once
// Draws windows in the look of a skin file. Load a skin file, then apply it to a top-level
// window: the painter subclasses that window and its children and paints the background,
// frames, push buttons (owner-drawn: normal, hot, pressed, focused, disabled), the list header
// and labels from the skin. A painter must outlive the windows it is applied to.

#include <windows.h>

#include <optional>
#include <string>

#include "app/gdi.h"
#include "skin/skin.h"

namespace app {

// Window property that gives a control a role in the skin.
inline constexpr wchar_t kSkinRoleProp[] = L"VellorySkinRole";
enum class SkinRole : int { Normal = 0, AccentButton = 1, LinkLabel = 2 };

class SkinPainter {
public:
    SkinPainter() = default;
    ~SkinPainter() = default;
    SkinPainter(const SkinPainter&) = delete;
    SkinPainter& operator=(const SkinPainter&) = delete;

    // Reads the skin file; false (and no skin) when it is missing, unreadable or invalid.
    bool load(const std::wstring& path);
    bool loaded() const { return m_skin.has_value(); }
    const skin::Skin* skin() const { return m_skin ? &*m_skin : nullptr; }

    // Skins the window and every child it has now; false when no skin is loaded.
    bool apply(HWND top);

    // Used by the subclass procedures.
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR kind, bool& handled);

private:
    static BOOL CALLBACK enumSkinChild(HWND child, LPARAM self);
    void skinChild(HWND child);
    void paintWindowBackground(HDC dc, const RECT& rc, HWND hwnd);
    void paintFrame(HWND frame);
    void paintButton(const DRAWITEMSTRUCT& di);
    void paintHeaderItem(const DRAWITEMSTRUCT& di);
    void paintListBorder(HWND list);
    void paintPlayerHost(HWND host);
    HBRUSH brushForStatic(HDC dc, HWND control);
    COLORREF backgroundAt(HWND hwnd, int yInTop) const;

    std::optional<skin::Skin> m_skin;
    Brush m_windowBrush;
    Brush m_frameBrush;
    Brush m_listBrush;
    Bitmap m_image;
    Font m_buttonFont;
    Font m_labelFont;
    HWND m_top = nullptr;
    HWND m_hot = nullptr;
};

}  // namespace app
