#pragma once
#include "LimitFields.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>

// The panel's template, in dialog units (x, y, width, height).
//
//   +- Amplada objecte -+   +- Ajust de color ----+
//   | Min [====] [ 3 ] |   | +- Lluminositat -+  |
//   | Max [====] [640] |   | | Min [===] [0] |  |
//   +------------------+   | | Max [===] [0] |  |
//   +- Alçada objecte --+   | +---------------+  |
//   ...                     | +- Ajust 1 / 2 -+  |
//   [ ] Visió Quelta        |  ...               |
//   [ ] Configuració avançada                    |
//          [  OK  ]         +--------------------+
//
// The narrow panel shows the left column only; the colour group sits right of NarrowWidth.
namespace ConfigPanelLayout {

constexpr int TemplateWidth = 257;
constexpr int TemplateHeight = 221;
constexpr int NarrowWidth = 126;

constexpr QRect OkButton{65, 198, 50, 14};
constexpr QRect MaskCheck{10, 162, 95, 10};
constexpr QRect WideCheck{10, 174, 100, 10};

constexpr QRect WidthGroup{9, 7, 106, 53};
constexpr QRect HeightGroup{10, 63, 106, 53};
constexpr QRect RatioGroup{10, 119, 106, 36};
constexpr QRect ColourGroup{130, 7, 115, 183};
constexpr QRect LumaGroup{135, 18, 106, 53};
constexpr QRect Adjust1Group{136, 74, 106, 53};
constexpr QRect Adjust2Group{136, 130, 106, 53};

constexpr int MaskCheckId = 1022;
constexpr int WideCheckId = 1024;

// One slider with its edit box, and the field of the record both show (its upper end is the
// field's limit).
struct CRowLayout {
    int SliderId;
    int EditId;
    const CLimitField* Field;
    bool MinLabel;  // "Min" or "Max" in front of the slider
    QRect Label;    // empty for the aspect row
    QRect Slider;
    QRect Edit;
    bool InColourGroup;
};

// In the order the rows are set up.
// clang-format off
constexpr std::array<CRowLayout, 11> Rows{{
    {1000, 1001, &LimitField("MinWidth"), true, {14, 23, 15, 10}, {28, 20, 58, 15}, {89, 21, 20, 12}, false},
    {1002, 1003, &LimitField("MaxWidth"), false, {14, 41, 15, 10}, {28, 39, 58, 15}, {89, 40, 20, 12}, false},
    {1004, 1005, &LimitField("MinHeight"), true, {14, 79, 15, 10}, {28, 77, 58, 15}, {90, 78, 20, 12}, false},
    {1006, 1007, &LimitField("MaxHeight"), false, {14, 98, 15, 10}, {28, 95, 58, 15}, {90, 97, 20, 12}, false},
    {1020, 1021, &LimitField("MinARatio"), false, {}, {28, 134, 58, 15}, {90, 135, 20, 12}, false},
    {1008, 1009, &LimitField("lMin"), true, {139, 34, 15, 10}, {153, 33, 58, 15}, {215, 34, 20, 12}, true},
    {1010, 1011, &LimitField("lMax"), false, {139, 53, 15, 10}, {153, 50, 58, 15}, {215, 53, 20, 12}, true},
    {1012, 1013, &LimitField("a1Min"), true, {140, 90, 15, 10}, {154, 88, 58, 15}, {216, 89, 20, 12}, true},
    {1014, 1015, &LimitField("a1Max"), false, {140, 109, 15, 10}, {154, 106, 58, 15}, {216, 108, 20, 12}, true},
    {1016, 1017, &LimitField("a2Min"), true, {140, 146, 15, 10}, {154, 144, 58, 15}, {216, 145, 20, 12}, true},
    {1018, 1019, &LimitField("a2Max"), false, {140, 165, 15, 10}, {154, 162, 58, 15}, {216, 164, 20, 12}, true},
}};
// clang-format on

// Keyboard order of the rows (indices into Rows): width, height, the colour rows, then aspect.
constexpr std::array<int, 11> TabOrder{0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 4};

}  // namespace ConfigPanelLayout
