#pragma once
// The calls made to the recording stand-in of the audio library, oldest first.
#include <string>
#include <vector>

std::vector<std::string>& recordedAudioCalls();
