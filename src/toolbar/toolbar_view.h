#pragma once
// What the toolbar window's behaviour asks of the widgets that show it. The
// view shows what it is told and reports what the user does (through the
// window's handlers); every decision is the window's.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pq {

class FlashPlayer;
class TStringList;
class TTBCustomItem;

class ToolbarView {
 public:
  virtual ~ToolbarView() = default;

  // --- the window
  virtual void SetCaption(const std::string& caption) = 0;
  // The window's current width in pixels.
  virtual int32_t Width() = 0;

  // --- the banner
  // Replaces the banner image's picture by the bitmap in the file. False,
  // with the picture unchanged, when the file cannot be read as a bitmap.
  [[nodiscard]] virtual bool LoadBannerPicture(const std::string& file_name) = 0;
  virtual void SetBannerPictureVisible(bool visible) = 0;
  // Plays the animated GIF in the file in the banner picture's place. False,
  // with the picture unchanged, when the file cannot be played; a view that
  // cannot animate keeps its picture.
  [[nodiscard]] virtual bool LoadBannerAnimation(const std::string& /*file_name*/) { return false; }
  // A movie player placed in the banner area, hidden. Raises Error when the
  // player's control cannot be created.
  virtual std::unique_ptr<FlashPlayer> CreateFlashPlayer() = 0;

  // --- the items
  // The toolbar's item shown at a point of the toolbar (its own coordinates);
  // null where none is.
  virtual TTBCustomItem* ItemAt(int32_t x, int32_t y) = 0;
  // The item's caption, image, hint, check mark, visibility or enabled state
  // changed: show it anew. Items not shown yet may be ignored.
  virtual void ItemChanged(const TTBCustomItem& item) = 0;

  // --- the search box: an edit field with a list below it
  virtual std::string SearchText() = 0;
  virtual void SetSearchText(const std::string& text) = 0;
  // The selected part of the text.
  virtual std::string SearchSelection() = 0;
  virtual void SelectAllSearchText() = 0;
  // The index of the list's selected entry, -1 when none is.
  virtual int SearchSelectedIndex() = 0;
  // The list becomes these entries, in this order; the text stays.
  virtual void ShowSearchList(const TStringList& entries) = 0;
  virtual void InsertSearchEntry(int index, std::string_view text) = 0;
  virtual void DeleteSearchEntry(int index) = 0;

  // --- the search box's completion while the user types. A view that shows
  // no completion may leave these as they are.
  // The list becomes these entries and opens below the box, none of them
  // chosen; the text and the caret stay as the user left them.
  virtual void ShowCompletionList(const TStringList& /*entries*/) {}
  // Marks the list's entry (-1: none) and puts `text` into the box, the
  // caret at its end.
  virtual void ChooseCompletionEntry(int /*index*/, const std::string& /*text*/) {}
  // Closes the open list; its entries stay.
  virtual void CloseSearchList() {}
  // Calls the window's SuggestionTimer once, after the delay, unless the
  // timer is started again or stopped first.
  virtual void StartSuggestionTimer(uint32_t /*delay_ms*/) {}
  virtual void StopSuggestionTimer() {}
  // A call that tells the window's thread, from any thread and also once
  // the window is gone, that a suggestion reply waits: the window's
  // SuggestionsArrived runs there later. Empty: the view has no such means.
  virtual std::function<void()> SuggestionWaker() { return {}; }
};

}  // namespace pq
