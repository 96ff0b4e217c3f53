#pragma once
// MP3 as the stream sound of a timeline, shared by a movie's sound and an embedded video's:
// block n covers the samples from n x samples_per_frame on and brings the whole MPEG frames
// needed to play to the end of its frame, so the first block carries one frame ahead and a
// frame shorter than an MPEG frame may carry none. SeekSamples says where, in the MPEG frame
// playing at the block's start, the timeline frame begins.

#include <cstdint>

namespace fc::mp3_stream {

// MPEG frames that must have been sent once block n is written.
inline uint64_t FramesDue(uint64_t block, uint32_t samples_per_frame, uint32_t frame_samples) {
  return ((block + 1) * samples_per_frame + frame_samples - 1) / frame_samples;
}

inline int16_t SeekSamples(uint64_t block, uint32_t samples_per_frame, uint32_t frame_samples) {
  return static_cast<int16_t>(block * samples_per_frame % frame_samples);
}

}  // namespace fc::mp3_stream
