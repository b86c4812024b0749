// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

class Clock;
class InstanceLock;
class MessageBox;
class Registry;
class Runtime;
class Screens;
class Sound;

// What the window's handlers need of the world outside the program, gathered so that tests can
// hand in their own.
struct PlatformServices
{
    Clock &clock;
    InstanceLock &instance;
    MessageBox &messageBox;
    Runtime &runtime;
    Registry &registry;
    Sound &sound;
    Screens &screens;
};
