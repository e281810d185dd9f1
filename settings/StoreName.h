#pragma once

// The per-user store: QSettings(StoreOrganisation, StoreApplication), the file
// $XDG_CONFIG_HOME/Orda/Quelta.conf. Every part that opens the store names it by these.
inline constexpr char StoreOrganisation[] = "Orda";
inline constexpr char StoreApplication[] = "Quelta";
