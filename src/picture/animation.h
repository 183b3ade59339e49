#pragma once
// Beyond the window's own commands: a picture's frames as one animated GIF, and thumbnails.
#include <string>

#include "form/form.h"
#include "form/host.h"
#include "platform/picture.h"

namespace vesk {

inline constexpr int kDefaultFrameDelayMs = 200;

// The picture shown and every frame after it, each as the "Кадр" button reaches it (so a frame
// is drawn over the one before, as the window shows it), written to exactly `path` as one GIF;
// a picture of one frame gives a still GIF. Returns how many frames were written.
int SaveAnimation(Form& form, Host& host, const std::string& path, int delayMs);

// The picture shrunk to fit into size x size with its aspect kept (no side below 1 pixel); a
// picture that fits already comes back as it is. Each pixel is the mean of those it covers.
Picture FitWithin(const Picture& picture, int size);

}  // namespace vesk
