// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

struct FormDesign;
class QWidget;

// Turns a design into widgets on the given window: one widget per control, named after it
// (QObject::objectName), with its caption, geometry, font, colours, limits and tab order.
class FormBuilder
{
public:
    static void build(QWidget &window, const FormDesign &design);
};
