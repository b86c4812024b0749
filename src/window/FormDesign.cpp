// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FormDesign.h"

#include <array>

namespace {

using Kind = ControlDesign::Kind;
using Font = ControlDesign::Font;

// clang-format off
constexpr std::array<ControlDesign, 17> designControls = {{
    // name          kind                parent      caption           left  top   width height
    {"OptRun",      Kind::OptionButton, "Frame1",   "Run",             100,  300,  900,  200},
    {"optManual",   Kind::OptionButton, "Frame1",   "Manual",          100,  600,  900,  200},
    {"optStop",     Kind::OptionButton, "Frame1",   "Stop",            100,  900,  900,  200},
    {"optPulse",    Kind::OptionButton, "Frame1",   "Pulse",           100, 1200,  900,  200},
    {"framIP",      Kind::Frame,        nullptr,    "IP/UDP Address",   60,  150, 1700,  750, Font::Bold},
    {"txtIP",       Kind::TextBox,      "framIP",   "192.168.1.158",   100,  300, 1455,  300, Font::Default,
                    true, 0, "The unit's IP address", 0x00C0C0FF},
    {"framPort",    Kind::Frame,        nullptr,    "Port",           1740,  150,  800,  750, Font::Bold, false},
    {"txtPort",     Kind::TextBox,      "framPort", "37829",           100,  300,  600,  300, Font::Default,
                    false, 0, "Always uses this port."},
    {"Frame1",      Kind::Frame,        nullptr,    "Operating Mode",  210, 1000, 1500, 1500},
    {"Label1",      Kind::Label,        nullptr,    "Manual",         1900, 1000,  750,  200, Font::Bold,
                    true, 0, nullptr, {}, "txtManual"},
    {"txtManual",   Kind::TextBox,      nullptr,    "0.000",          2800, 1000, 1000,  300, Font::Default,
                    true, 6},
    {"Label2",      Kind::Label,        nullptr,    "Stop",           1900, 1300,  750,  200, Font::Bold,
                    true, 0, nullptr, {}, "txtStop"},
    {"txtStop",     Kind::TextBox,      nullptr,    "0.000",          2800, 1300, 1000,  300, Font::Default,
                    true, 6},
    {"Label3",      Kind::Label,        nullptr,    "VCO Set",        1900, 1600,  750,  200, Font::Bold,
                    true, 0, nullptr, {}, "txtFreq"},
    {"txtFreq",     Kind::TextBox,      nullptr,    "150.000000",     2800, 1600, 1000,  300, Font::Default,
                    true, 10},
    {"Label4",      Kind::Label,        nullptr,    "VCO ctrl",       1900, 1900,  750,  200, Font::Bold,
                    true, 0, nullptr, {}, "txtVcoCtrl"},
    {"txtVcoCtrl",  Kind::TextBox,      nullptr,    "32768",          2800, 1900, 1000,  300, Font::Default,
                    true, 5},
}};
// clang-format on

// Rendered from the icon's drawing at build time: a gold sphere crossed by a grey-and-white beam.
constexpr std::array<const char *, 2> icon = {":/icons/varnoke-32.argb", ":/icons/varnoke-64.argb"};

} // namespace

const FormDesign &FormDesign::formMain()
{
    static const FormDesign design {
        "Varnoke Automation Test", 5025, 2715, 0x00C0FFFF, icon, designControls};
    return design;
}

QStringList FontDesign::families()
{
    // Measured with the design's texts in their boxes at 96 dpi and 1.25, 1.5 and 2 times that
    // (tests/window/tst_textfit.cpp): Liberation Sans and Arimo, which share their widths, fit
    // every text with two pixels to spare; DejaVu Sans cuts five texts, its condensed cut and
    // Nimbus Sans cut others.
    return {QString::fromLatin1(face), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
}
