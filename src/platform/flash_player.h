#pragma once
// An embedded movie player control, as the toolbar's animated banner uses it.
// Failures raise Error.
#include <cstdint>
#include <functional>
#include <string>

namespace pq {

class FlashPlayer {
 public:
  virtual ~FlashPlayer() = default;
  // Position and size inside the banner area, in pixels of the design.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual void SetTabOrder(int32_t order) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Stop() = 0;
  virtual void Play() = 0;
  // Starts loading the movie at the address.
  virtual void SetMovie(const std::string& url) = 0;

  // Called with the player and its new ready state; 4 is complete.
  std::function<void(FlashPlayer& sender, int32_t state)> OnReadyStateChange;
};

// The player reports ready state 4 once its movie has loaded completely.
inline constexpr int32_t kFlashReadyStateComplete = 4;

}  // namespace pq
