// A short run of an effect or a preloader's demonstration, measured as a share from 0 (start)
// to 1 (done). It takes about `ms` milliseconds of the clock, but never fewer than
// kRunMinFrames frames (a slow machine still shows it move, and its first frame always shows
// the start) and never more frames than `ms` takes at kRunMaxFps (a clock that stalls still
// lets it end).
//
// The template pictures (templates/make-pictures.sh) set _global.g_TemplatePictureShare to
// hold every run at that share, so that a picture shows the template at work.

var kRunMinFrames = 8;
var kRunMaxFps = 30;

function TimedRun(ms) {
  return {Start: getTimer(), Frames: 0, Ms: ms};
}

// Called once a frame: counts the frame and gives the share reached.
function RunShare(run) {
  var fixed = Number(_global.g_TemplatePictureShare);
  if (!isNaN(fixed)) return Math.max(0, Math.min(1, fixed));
  run.Frames++;
  var by_time = (getTimer() - run.Start) / run.Ms;
  var by_frames = run.Frames / Math.ceil(run.Ms * kRunMaxFps / 1000);
  var share = Math.min(Math.max(by_time, by_frames), run.Frames / kRunMinFrames);
  return Math.max(0, Math.min(1, share));
}

// A gentle start and end for motions.
function Ease(share) {
  return share * share * (3 - 2 * share);
}

function DrawBox(mc, x, y, w, h) {
  mc.moveTo(x, y);
  mc.lineTo(x + w, y);
  mc.lineTo(x + w, y + h);
  mc.lineTo(x, y + h);
  mc.lineTo(x, y);
}
