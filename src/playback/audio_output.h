#pragma once
// Where the preview player's sound goes: a sound device (Qt Multimedia in the desktop
// application) or a stand-in in tests. The device's played position is the player's master
// clock while sound plays.

#include <cstddef>
#include <cstdint>

#include "engine/media_info.h"

namespace fc {

// Called only from the player's sound thread, one run at a time: Open, then Write, Suspend,
// Resume and PlayedSeconds, then Close.
class TAudioOutput {
public:
  virtual ~TAudioOutput() = default;
  // Opens the device for interleaved signed 16-bit samples of `format` (rate and channels).
  // False when there is no device: the player then runs on the system clock.
  virtual bool Open(const TAudioFormat& format) = 0;
  // Drops what has not been played and releases the device.
  virtual void Close() = 0;
  // Queues bytes for playing; returns how many were taken (fewer, or 0, while the device's
  // buffer is full; the player offers the rest again shortly).
  virtual size_t Write(const uint8_t* data, size_t bytes) = 0;
  // Seconds of sound the device has played since Open; stands still while suspended.
  virtual double PlayedSeconds() const = 0;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
};

}  // namespace fc
