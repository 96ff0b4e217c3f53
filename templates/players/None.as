// None.swf: the player without controls. It plays, repeats, follows links and shows posters;
// a click on the video starts it when it waits, then follows the click link (or pauses and
// resumes without one).
//
// It reads the globals that player_core.as lists (playback, links, posters, layouts, auto hide
// of the mouse, traces); g_noPlayer is true for it, and the skin's colour and bar globals
// (g_AutoHideSkin, g_SkinColor, g_SkinColorSaturation) mean nothing to it.

var kHasBar = false;

#include "player_core.as"

StartPlayer();
