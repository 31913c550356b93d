#pragma once

// What a file dialog is for: choosing an existing file, or naming one to write.
enum EFileAction : int
{
  kFileOpen = 0,
  kFileSave = 1
};

// Drag and layout direction of knobs, faders and radio buttons.
enum EDirection : int
{
  kVertical = 0,
  kHorizontal = 1
};
