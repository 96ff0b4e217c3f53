#pragma once
// The media engine in one include, with the names the rest of the program uses for its parts.

#include "engine/audio_processor.h"
#include "engine/converter.h"
#include "engine/decoder.h"
#include "engine/dib_image.h"
#include "engine/dvd.h"
#include "engine/encode_params.h"
#include "engine/formats.h"
#include "engine/frame_grab.h"
#include "engine/media_encoder.h"
#include "engine/media_info.h"
#include "engine/sequence.h"
#include "engine/text_renderer.h"
#include "engine/video_processor.h"

namespace fc {

using TVideoSlideDecoderEx = TVideoSequence;
using TAudioSlideDecoderEx = TAudioSequence;
using TAVTracksDecoder = TTrackMixer;
using TVideoMediaProcessor = TVideoProcessor;
using TAudioMediaProcessor = TAudioProcessor;
// One encoder class serves both: a converter over decoders (stream copy) or over processors.
using TMediaProcessEncoder = TMediaEncoder;

}  // namespace fc
