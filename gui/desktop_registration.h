#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/configuration.h"

namespace vantrel::gui {

// The desktop id under which Vantrel is known to the desktop, and the types of file it opens
// (.mdb and .accdb: shared-mime-info's name for them, and the other names desktops use).
inline constexpr std::string_view kDesktopId = "vantrel.desktop";
inline constexpr std::string_view kAccessTypes[] = {
    "application/vnd.ms-access", "application/x-msaccess", "application/msaccess"};

// Where the current user's desktop entries and default applications live.
struct DesktopPlaces {
  std::filesystem::path applications;  // $XDG_DATA_HOME/applications
  std::filesystem::path mimeApps;      // $XDG_CONFIG_HOME/mimeapps.list

  static DesktopPlaces forCurrentUser(const EnvironmentLookup& environment = systemEnvironment);
};

// The desktop entry that starts `program` with the files it is given.
std::string desktopEntryText(const std::filesystem::path& program, std::string_view icon);

// mimeapps.list with Vantrel as the default application for Access databases, and the same
// text with every mention of Vantrel taken out. Other sections, keys and comments stay.
std::string withVantrelAsDefault(std::string_view mimeApps);
std::string withoutVantrel(std::string_view mimeApps);

// --register: writes the desktop entry and makes Vantrel open .mdb and .accdb files. --unregister
// takes both back. Each returns the reason in words when it could not be done.
std::optional<std::string> registerDesktopEntry(const DesktopPlaces& places,
                                                const std::filesystem::path& program,
                                                std::string_view icon);
std::optional<std::string> unregisterDesktopEntry(const DesktopPlaces& places);

}  // namespace vantrel::gui
