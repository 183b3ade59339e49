#pragma once
// Beyond the window's own commands: a picture's frames as one animated GIF, a GIF's frames as
// one compact C10, and thumbnails.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "form/form.h"
#include "form/host.h"
#include "platform/picture.h"

namespace vesk {

inline constexpr int kDefaultFrameDelayMs = 200;

// The picture shown and every frame after it, each as the "Кадр" button reaches it (so a frame
// is drawn over the one before, as the window shows it), written to exactly `path` as one GIF;
// a picture of one frame gives a still GIF. Returns how many frames were written.
int SaveAnimation(Form& form, Host& host, const std::string& path, int delayMs);

// Every frame of a GIF, each as a viewer shows it after the GIF's disposals (gif_reader.h), as
// the frames of one compact header-form C10 (c10_compact.h); one frame gives a still picture.
// Refused before anything is returned: sides over 255, more than 255 frames, frames of
// different sizes, a frame too large to chain, and whatever the GIF reader refuses.
std::vector<std::uint8_t> ConvertGifToC10(std::span<const std::uint8_t> gif);

// The picture shrunk to fit into size x size with its aspect kept (no side below 1 pixel); a
// picture that fits already comes back as it is. Each pixel is the mean of those it covers.
Picture FitWithin(const Picture& picture, int size);

}  // namespace vesk
