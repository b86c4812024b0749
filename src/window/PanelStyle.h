// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QProxyStyle>

// The toolkit's style with one change: frames are drawn as an etched line by hand. The stock
// frame is an image, and loading the first image sends the toolkit through all its image
// plug-ins, which costs the panel a good part of its start-up.
class PanelStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};
