#pragma once
// How a profile meets a task: filling the encode record, and finding a profile's values in
// the choice lists that the Customize dialog offers.

#include <string>
#include <vector>

#include "engine/encode_params.h"
#include "profiles/profile_item.h"

namespace fc {

// Fills the encode record from the profile; false (and nothing changed) for a null profile or
// record. The scale mode (ResizeStyle) goes to the task's edit parameters, not the record.
bool ApplyProfile(const TProfileItem* profile, TEncodeParams* params);

// Index of the first entry that begins with value's text, or -1.
int ChoiceIndex(const std::vector<std::string>& list, const std::string& value);

int AudioBitrateIndex(const TProfileItem& p);  // kbit/s
int VideoBitrateIndex(const TProfileItem& p);  // kbit/s
int ChannelsIndex(const TProfileItem& p);
int SampleRateIndex(const TProfileItem& p);
int FrameRateIndex(const TProfileItem& p);
int VideoEncoderIndex(const TProfileItem& p);
int AudioEncoderIndex(const TProfileItem& p);
// Index of a codec in a codec list: the exact four characters first, then without blanks.
int CodecIndex(const std::vector<TCodecChoice>& list, TFourCC code);

// A frame rate with at most two decimals and no trailing zeros ("29.97", "25").
std::string FormatFrameRate(double fps);
// "29.97 fps".
std::string FrameRateCaption(double fps);

}  // namespace fc
