// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <optional>
#include <span>

// The panel as designed: every control with its name, kind, parent, caption, place and settings,
// in tab order. Positions and sizes are in twips (1440 to the inch); a control inside a frame is
// placed relative to the frame, any other relative to the window's client area. Colours are
// 0x00BBGGRR.
struct ControlDesign
{
    enum class Kind { OptionButton, Frame, Label, TextBox };
    enum class Font { Default, Bold };

    const char *name;
    Kind kind;
    const char *parent; // nullptr: the window itself
    const char *caption;
    int left;
    int top;
    int width;
    int height;
    Font font = Font::Default;
    bool enabled = true;
    int maxLength = 0; // 0: no limit
    const char *toolTip = nullptr;
    std::optional<quint32> background = {};
    const char *buddy = nullptr; // a label's text box
};

struct FormDesign
{
    const char *caption;
    int clientWidth; // twips
    int clientHeight;
    quint32 background;
    std::span<const char *const> iconFiles; // square renderings as raw ARGB pixels, smallest first
    std::span<const ControlDesign> controls; // in tab order

    static const FormDesign &formMain();
};

// The panel's face: the default weight for the window and most controls, bold for the frames and
// labels that ask for it. The design's face is rarely installed on Linux, and fontconfig's own
// choice for it (DejaVu Sans, as a rule) is far wider, so the design's texts no longer fit their
// boxes. So the face is asked for by name, then by the packaged faces that fit the design, best
// first; the first one installed is used.
struct FontDesign
{
    static constexpr const char *face = "MS Sans Serif";
    static constexpr double pointSize = 8.25;
    static constexpr int boldWeight = 700;

    // The design's face followed by its stand-ins.
    static QStringList families();
};

// 15 twips to the pixel at 96 dpi; at other scales Qt's device pixels keep the proportion.
inline constexpr double twipsPerPixel = 15.0;

// Twips to the nearest pixel (halves away from zero), for the design and for a saved place alike.
// A settings file can hold any number, so the result is kept within a range far beyond any
// desktop yet safe to compute with; what is not a number is 0.
constexpr int twipsToPixels(double twips)
{
    constexpr double largest = 1 << 20;
    if (!(twips == twips))
        return 0;
    const double pixels = std::clamp(twips / twipsPerPixel, -largest, largest);
    return int(pixels + (pixels < 0 ? -0.5 : 0.5));
}
