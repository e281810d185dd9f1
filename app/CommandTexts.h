#pragma once
#include <QString>

// The user-visible texts of the commands: menu entry and the prompt string, whose part
// before the line feed is the status-bar prompt and whose part after it is the tooltip.
struct CCommandText {
    int Id;
    const char* MenuText;  // empty for commands without a menu entry
    const char* Prompt;    // "status prompt\ntooltip"
};

const CCommandText* FindCommandText(int id);
QString MenuText(int id);
QString StatusPrompt(int id);
QString ToolTipText(int id);

// Fixed texts of the program.
namespace Texts {
inline constexpr const char* WindowTitle = " Quelta";
inline constexpr const char* LiveTitle = "Untitled (Live Video)";
inline constexpr const char* RatePaneText = "00.00 fps";
inline constexpr const char* IdleText = " ";
inline constexpr const char* NoSource = "Error:  No image source found";
inline constexpr const char* LoadFailed = "Error intentant carregar els ajustos";
inline constexpr const char* SaveFailed = "Error intentant guardar ajustos";
inline constexpr const char* OpenTitle = "Obrir fitxer d'ajustos";
inline constexpr const char* SaveTitle = "Guardar ajustos actuals";
inline constexpr const char* RestartNeeded = "Per completar el canvi cal reiniciar l'aplicació";
inline constexpr const char* InfoCaption = "Informació";
inline constexpr const char* FileFilter = "Ajustos Quelta (*.qta)";
inline constexpr const char* AllFilesFilter = "Tots els fitxers (*)";
inline constexpr const char* FilterExt = ".qta";
}  // namespace Texts
