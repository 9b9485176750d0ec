// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The embedded images live in a static library: whoever loads one from
// ":/images/..." calls this first. Calling it again does nothing.
void InitVelloryResources();
