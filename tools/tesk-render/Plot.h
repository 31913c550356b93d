#pragma once
// Draws a Measurement as a PNG with cairo: the magnitude response of both channels on a
// log frequency axis above the spectrum of the 1 kHz tone with its harmonics and THD+N.
// 1200 x 800 pixels times `scale` (1..4); everything scales, so scale 2 is crisp on
// high-density screens.

#include "Measure.h"

#include <string>

// `title` heads the picture, `subtitle` (the settings) goes under it on one line. False
// with `error` when the file cannot be written.
bool DrawMeasurementPng(const Measurement& m, const std::string& title, const std::string& subtitle, int scale,
                        const std::string& path, std::string& error);

// Gives back what cairo and fontconfig keep for the life of the process (font caches and
// configuration), so that leak checkers see a clean exit. Call once, just before exit,
// after everything else that uses fonts (the plug-in included) is gone.
void ReleaseDrawingCaches();
