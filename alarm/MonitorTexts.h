#pragma once

// The monitor's own texts, shared by the window, its dialogs and the tests.
namespace MonitorTexts {
inline constexpr char Title[] = "Alarma Quelta";
inline constexpr char InitError[] = "Error inicialitzant QTA";
inline constexpr char Alert[] = "Alerta!!!";
inline constexpr char Arm[] = "Activar";
inline constexpr char Disarm[] = "Desactivar";
inline constexpr char OpenSoundTitle[] = "Obrir so d'alarma";
inline constexpr char SoundFilter[] = "Arxius sonors (*.wav)";
inline constexpr char DefaultSoundFile[] = "alarma.wav";
inline constexpr char Delay[] = "Retard";
inline constexpr char RaiseDelay[] = "Alertar després de";
inline constexpr char ClearDelay[] = "Acabar després de";
inline constexpr char Milliseconds[] = "ms";
inline constexpr char WatchedColour[] = "Color vigilat";
// The one entry of "Color vigilat" when the library names no colours of its own.
inline constexpr char FirstColour[] = "Primer color";
}  // namespace MonitorTexts
