// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The persistent settings. Values are read afresh at every call.
#include <string>

// "BufferSize" from "Parameters", default 10000.
int GetBufferSize();
// "FileManager" as stored (or the default root), unchanged.
std::string GetStoredRoot();
// The default root: the home folder followed by "/fmanager/".
std::string DefaultRoot();

// "InputDevice" from "Parameters": the sound server's name of the input to
// record from; empty (the default) for the default input.
std::string GetInputDevice();

// "StopAfter" from "Parameters": minutes after which a recording ends by
// itself; 0 (the default) for no limit.
int GetStopAfterMinutes();

// A leading "~" (alone or before "/") becomes the home folder; anything else
// is returned unchanged.
std::string ExpandHome(const std::string& path);
// Creates `folder` and any missing parents, each new one with mode 0700.
// True when it exists as a folder afterwards; otherwise `reason` holds the
// system's text for the first step that failed.
bool MakeFolderWithParents(const std::string& folder, std::string& reason);

// Writers used by the settings dialog.
void WriteBufferSize(int size);
void WriteRoot(const std::string& root);
void WriteInputDevice(const std::string& name);
void WriteStopAfterMinutes(int minutes);
