#pragma once
// Checks of quelta-track's files and rows against the OpenCV reference.
#include "Reference.h"

#include <opencv2/core/mat.hpp>

#include <string>
#include <vector>

// The settings file text for `limits`, written here by hand.
std::string SettingsText(const CLimits& limits);
// Parses a saved settings file; false when it is not twelve well-formed lines.
bool ParseSettingsText(const std::string& text, CLimits& limits);

// Compares one CSV row of the tool with the reference; empty when they agree, else what
// differs.
std::string CompareRow(const std::vector<std::string>& row, const CReference& expected);
