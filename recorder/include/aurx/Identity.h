// The fixed identity of the recorder control that hosts bind to.
#pragma once

#include <cstdint>
#include <string_view>

namespace aurx {

inline constexpr std::string_view kProgId = "AURX300.AURX300Ctrl.1";
inline constexpr std::string_view kVersionIndependentProgId = "AURX300.AURX300Ctrl";
inline constexpr std::string_view kClassDescription = "AURX300Ctrl Class";
inline constexpr std::string_view kThreadingModel = "Apartment";
inline constexpr std::string_view kInterfaceName = "IAURX300Ctrl";
inline constexpr std::string_view kEventInterfaceName = "_IAURX300CtrlEvents";
inline constexpr std::string_view kPropertyPageName = "AURX300CtrlProp";
inline constexpr std::string_view kPropertyPageProgId = "AURX300.AURX300CtrlProp.1";
inline constexpr std::string_view kTypeLibraryName = "AURX300Lib";
inline constexpr std::string_view kTypeLibraryVersion = "1.0";
inline constexpr std::string_view kTypeLibraryHelpString = "AURX300 Version 1.0 module";

// Unique identifiers, chosen once and never to change.
inline constexpr std::string_view kClassId = "{6B0E3A52-7C4D-4F1B-9E2A-3D5C8A1F0B71}";
inline constexpr std::string_view kInterfaceId = "{6B0E3A53-7C4D-4F1B-9E2A-3D5C8A1F0B71}";
inline constexpr std::string_view kEventInterfaceId = "{6B0E3A54-7C4D-4F1B-9E2A-3D5C8A1F0B71}";
inline constexpr std::string_view kTypeLibraryId = "{6B0E3A55-7C4D-4F1B-9E2A-3D5C8A1F0B71}";
inline constexpr std::string_view kPropertyPageClassId = "{6B0E3A56-7C4D-4F1B-9E2A-3D5C8A1F0B71}";

inline constexpr std::int32_t kToolboxBitmapResource = 101;
// Recompose on resize, cannot link inside, inside-out, activate when visible, set client
// site first.
inline constexpr std::uint32_t kMiscStatus = 131473;

// Default extent in HIMETRIC (0.01 mm): two inches wide, a third of that high.
inline constexpr std::int32_t kDefaultExtentWidth = 5080;
inline constexpr std::int32_t kDefaultExtentHeight = 1693;

}  // namespace aurx
