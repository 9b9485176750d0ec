#pragma once
// The embedded images live in a static library: whoever loads one from
// ":/images/..." calls this first. Calling it again does nothing.
void InitVelloryResources();
