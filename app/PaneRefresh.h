#pragma once

// The panes that follow the marks refresh at most ten times a second, whatever the frame rate:
// a table is dearer to draw than the picture, and no one reads figures faster.
inline constexpr int PaneRefreshMs = 100;
