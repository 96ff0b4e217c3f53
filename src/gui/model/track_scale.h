#pragma once
// Where a time lies on a track bar of integer steps (its width in pixels, usually) and which
// time a step stands for. A bar without steps or a media without length maps everything to
// the bar's start and to 0 seconds: never a division by zero.

namespace fc::gui {

// bar_min + (bar_max - bar_min) / length * seconds, rounded (halves to even) and kept on the bar.
int BarPosition(double seconds, double length, int bar_min, int bar_max);
// (position - bar_min) * length / (bar_max - bar_min), kept within 0..length.
double BarTime(int position, int bar_min, int bar_max, double length);

}  // namespace fc::gui
