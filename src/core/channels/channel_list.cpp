#include "core/channels/channel_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "core/shell/operator.h"

namespace atalaya {
namespace {

// Bytes zeroed when another copy of a table is wiped.
constexpr size_t kTransponderWipeLength = 1551;
constexpr size_t kChannelWipeLength = 60075;

std::string UpperHex(size_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*zX", digits, value);
  return text;
}

TablePosition PositionOf(size_t start) { return {SectionOf(start), OffsetInSection(start)}; }

// Moves a table's head to `target` when the settings chose another section. A head that did
// not start its section had a prefix belonging to whatever preceded it there; at a section
// start the prefix becomes a space and zeros.
void MoveTable(std::string& image, TablePosition& position, size_t target, std::string& text) {
  if (target == position.section) return;
  std::array<char, kTableHeadSize> head{};
  const size_t from = position.Start();
  if (from < image.size()) {
    std::memcpy(head.data(), image.data() + from, std::min(head.size(), image.size() - from));
  }
  if (position.offset != 0) {
    std::fill(head.begin(), head.begin() + kTablePrefixSize, '\0');
    head[0] = ' ';
  }
  if (target < image.size()) {
    std::memcpy(image.data() + target, head.data(), std::min(head.size(), image.size() - target));
  }
  position = {target, 0};
  text = ActiveSectionText(position);
}

// Zeroes every copy of a table but the active one. The searches start at each section start in
// turn until one finds nothing, so a second copy inside a section that holds the active table
// in front of it survives, as it always has on these decoders.
void WipeOtherCopies(std::string& image, std::string_view marker, size_t active, size_t length) {
  size_t start = 0;
  std::optional<size_t> found = FindTable(marker, start, image);
  while (found) {
    const bool wiped = *found != active;
    if (wiped) {
      const size_t from = OffsetInSection(*found) == 0 ? *found : *found + kMarkerOffset1;
      const size_t end = std::min(image.size(), from + std::min(length, image.size() - from));
      std::fill(image.begin() + static_cast<ptrdiff_t>(from),
                image.begin() + static_cast<ptrdiff_t>(end), '\0');
    }
    start += kSectionSize;
    // Zeroing never makes a marker, so a search from the next start finds the same table
    // again while it still stands beyond that start; only the other cases need a search.
    if (wiped) {
      found = FindTable(marker, std::max(start, *found + 1), image);
    } else if (*found < start) {
      found = FindTable(marker, start, image);
    }
  }
}

}  // namespace

std::optional<int> LoadFailureTextKey(LoadResult result) {
  switch (result) {
    case LoadResult::kNoChannelTable:
      return 197;
    case LoadResult::kNoTransponderTable:
      return 196;
    case LoadResult::kLoaded:
    case LoadResult::kNoSectionChosen:
      break;
  }
  return std::nullopt;
}

std::string ActiveSectionText(TablePosition position) {
  const size_t shown = position.Start() + (position.offset != 0 ? kMarkerOffset1 : 0);
  return UpperHex(position.section / kSectionSize, 2) + " (" + UpperHex(shown, 6) + ")";
}

ChannelList::ChannelList(Settings& settings, const TextTable& texts, Operator& user,
                         char decimal_separator)
    : settings_(settings),
      texts_(texts),
      user_(user),
      decimal_separator_(decimal_separator),
      channels_(settings.channel_row_count),
      transponders_(settings.transponder_row_count) {
  channels_.ApplyTitles(texts);
  transponders_.ApplyTitles(texts);
}

void ChannelList::RestorePositions(TablePosition tcs, TablePosition tpt) {
  tcs_position_ = tcs;
  tpt_position_ = tpt;
}

std::optional<size_t> ChannelList::ChooseCopy(std::string_view marker, std::string_view image,
                                              int position_digits, bool& cancelled) {
  const std::vector<size_t> copies = FindTableCopies(marker, image);
  if (copies.size() <= 1) {
    return copies.empty() ? std::nullopt : std::optional<size_t>(copies.front());
  }
  std::vector<SectionRow> rows;
  rows.reserve(copies.size());
  for (const size_t copy : copies) {
    rows.push_back({UpperHex(copy, position_digits), std::string(marker)});
  }
  const std::optional<size_t> chosen = user_.ChooseSection(rows);
  if (!chosen || *chosen >= copies.size()) {
    cancelled = true;
    return std::nullopt;
  }
  return copies[*chosen];
}

LoadResult ChannelList::LoadFlashList(std::string_view image, bool append) {
  ram_list_ = false;
  bool cancelled = false;
  const std::optional<size_t> tcs = ChooseCopy(kChannelMarker, image, 6, cancelled);
  if (cancelled) return LoadResult::kNoSectionChosen;
  const std::optional<size_t> tpt = ChooseCopy(kTransponderMarker, image, 2, cancelled);
  if (cancelled) return LoadResult::kNoSectionChosen;
  if (!tcs) return LoadResult::kNoChannelTable;
  if (!tpt) return LoadResult::kNoTransponderTable;

  list_loaded_ = true;
  tcs_position_ = PositionOf(*tcs);
  tpt_position_ = PositionOf(*tpt);
  tcs_section_text_ = ActiveSectionText(tcs_position_);
  tpt_section_text_ = ActiveSectionText(tpt_position_);
  // Building writes the tables back where they were found unless the user picks other
  // sections afterwards.
  settings_.tcs = static_cast<int>(tcs_position_.section / kSectionSize);
  settings_.tpt = static_cast<int>(tpt_position_.section / kSectionSize);

  const int first_added_transponder = append ? FirstEmptyTransponderRow(transponders_) : 0;
  DecodeTransponders(image, tpt_position_.Start() + kTableHeadSize, append, settings_,
                     decimal_separator_, transponders_);
  DecodeChannels(image, tcs_position_.Start() + kTableHeadSize, append,
                 ChannelSource{false, first_added_transponder}, settings_, transponders_,
                 channels_);
  return LoadResult::kLoaded;
}

void ChannelList::LoadRamList(std::string_view image) {
  ram_list_ = true;
  list_loaded_ = true;
  DecodeChannels(image, 0, false, ChannelSource{true, 0}, settings_, transponders_, channels_);
  tcs_section_text_ = "RAM";
  tpt_section_text_.clear();
}

bool ChannelList::BuildImage(std::string& image) {
  if (!list_loaded_) {
    user_.ShowError(texts_.Text(195));
    return false;
  }
  if (ram_list_) {
    user_.ShowError(texts_.Text(194));
    return false;
  }
  // Everything happens on a copy, so that a cell that is not a number leaves the image, the
  // positions and the section texts as they were.
  std::string built = image;
  TablePosition tcs = tcs_position_;
  TablePosition tpt = tpt_position_;
  std::string tcs_text = tcs_section_text_;
  std::string tpt_text = tpt_section_text_;
  // A setting without a choice leaves the table where it is.
  if (settings_.tcs >= 0) {
    MoveTable(built, tcs, static_cast<size_t>(settings_.tcs) * kSectionSize, tcs_text);
  }
  if (settings_.tpt >= 0) {
    MoveTable(built, tpt, static_cast<size_t>(settings_.tpt) * kSectionSize, tpt_text);
  }
  std::optional<ConversionError> error =
      EncodeChannels(channels_, tcs.Start() + kTableHeadSize, built);
  if (!error) {
    error = EncodeTransponders(transponders_, tpt.Start() + kTableHeadSize, settings_,
                               decimal_separator_, built);
  }
  if (error) {
    user_.ShowError(ConversionErrorText(*error, texts_));
    return false;
  }
  WipeOtherCopies(built, kTransponderMarker, tpt.Start(), kTransponderWipeLength);
  WipeOtherCopies(built, kChannelMarker, tcs.Start(), kChannelWipeLength);

  image = std::move(built);
  tcs_position_ = tcs;
  tpt_position_ = tpt;
  tcs_section_text_ = std::move(tcs_text);
  tpt_section_text_ = std::move(tpt_text);
  return true;
}

bool ChannelList::SaveListFile(const std::string& path, std::string& image,
                               const ListFileWriter& write) {
  if (ram_list_ && list_loaded_) {
    std::string fresh(image.size(), '\0');
    if (const auto error = EncodeChannels(channels_, 0, fresh)) {
      user_.ShowError(ConversionErrorText(*error, texts_));
      return false;
    }
    image = std::move(fresh);
  } else if (!BuildImage(image)) {
    return false;
  }
  if (const std::optional<std::string> reason = write(path, image)) {
    user_.ShowError(texts_.Text(ExtraText::kFileNotSaved) + " " + path + "\n" + *reason);
    return false;
  }
  return true;
}

}  // namespace atalaya
