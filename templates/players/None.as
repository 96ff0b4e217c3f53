// None.swf: the player without controls. It plays, repeats, follows links and shows posters;
// a click on the video starts it when it waits, then follows the click link (or pauses and
// resumes without one).
//
// What a player reads (set in frame 1 of the movie that imports it as "player_mc"):
//   _global.g_noDebug              true: no trace lines (the tests set it false and read
//                                  "player:play NAME", "player:pause", "player:seek SECONDS",
//                                  "player:end", "player:url URL TARGET")
//   _global.g_AutoPlay             true: start without a click
//   _global.g_Repetition           true: start the list again at its end
//   _global.g_ClickingUrl, g_ClickingTarget   link of a click on the playing video
//   _global.g_EndUrl, g_EndTarget  link opened at the end of the list
//                                  (getURL; an empty target is the same window)
//   _global.g_noPlayer             true for this player (no control bar)
//   _global.g_AutoHideMouse        true: hide the mouse after g_AutoHideDelay ms without
//   _global.g_AutoHideDelay        movement while playing
//   _global.g_AutoHideSkin         true: the bar lies over the video and hides with the mouse
//   _global.g_SkinColor            bar colour, 0xRRGGBB as a number
//   _global.g_SkinColorSaturation  how strongly that colour tints the bar, 0 to 100
//   _global.g_bSlide               a slide show: each clip's poster shows until it plays
//   _global.g_noRePlay             no replay: the end is final (small frames, previews)
//   _global.g_showPerloader        preview with a preloader: playback waits until
//                                  _root.preloader_mc has played to its last frame
//   Clips, one of three layouts:
//   _global.g_ArrFlvPath[i], g_ArrPhotoPath[i]   FLV files (relative to the page) and posters
//   _global.g_FLvFromUrlVar        name V of a page variable: _root[V] is
//                                  "a.flv,a.jpg#b.flv,b.jpg" (pictures only with thumbnails)
//   _global.FramesArrays[j], realTotalFrames, swffps
//                                  video embedded as segment sprites _root.mc1, mc2, ... on
//                                  main frames 2, 3, ...; frame counts and frame rate
// The player lays itself out from Stage.width and Stage.height; the video area is the whole
// stage, less the bar of a skin whose bar does not hide.

var kHasBar = false;

#include "player_core.as"

StartPlayer();
