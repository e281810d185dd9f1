#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The control values the user chose for one camera, kept in the per-user store (group
// "Cameras", one key per camera and control) so that they are applied again whenever the
// camera is opened: webcams forget them when unplugged. `camera` is any text that tells the
// camera apart (see CameraKey); values are decimal integers under the control's number.
std::vector<std::pair<uint32_t, int>> ReadCameraControls(const std::string& camera);
void RememberCameraControl(const std::string& camera, uint32_t id, int value);
