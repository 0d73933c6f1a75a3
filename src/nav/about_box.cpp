#include "nav/about_box.h"

#include "config/string_list.h"
#include "config/text_file.h"
#include "config/toolbar_config.h"
#include "nav/navigation.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace pq {
namespace {

constexpr char kCopyrightLead[] = "Copyright (C)";

}  // namespace

void ComposeAboutBox(Platform& platform, AboutBoxContent& content) {
  const ToolbarConfigRecord& config = ToolbarConfig;
  content.Caption = "About " + config.ToolbarName;
  content.Version = config.ToolbarName;
  // Lead, the year between blanks, the publisher.
  content.Copyright = kCopyrightLead;
  content.Copyright.append(" ").append(YearText(platform.clock->Today())).append(" ");
  content.Copyright.append(config.CompanyName);
  content.Url = config.HomePageUrl;
  content.Preparer = config.CopyrightText;

  const std::string notice = config.InstallPath + "\\" + kNoticeFileName;
  if (Files().Exists(notice)) {
    const TStringList lines = ReadLinesFile(notice);
    std::vector<std::string> notice_lines;
    notice_lines.reserve(static_cast<size_t>(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i) notice_lines.emplace_back(lines[i]);
    content.NoticeLines = std::move(notice_lines);
  }
  const std::string banner = BannerFilePath();
  if (Files().Exists(banner)) content.BannerFile = banner;
}

void ShowAboutBox(Platform& platform, bool timed) {
  AboutBoxContent content;
  content.Timed = timed;
  try {
    ComposeAboutBox(platform, content);
  } catch (const std::exception& error) {
    ShowErrorBox(*platform.ui, ToolbarConfig.ToolbarName, error.what());
  }
  content.LinkClick = [&platform] {
    // The address comes from a configuration that the network may have
    // replaced: only a web or mail address may reach the shell, never a
    // program or a share.
    const std::string& address = ToolbarConfig.HomePageUrl;
    if (IsWebOrMailAddress(address)) ShellOpen(platform, address);
  };
  platform.ui->ShowAboutBox(content);
}

}  // namespace pq
