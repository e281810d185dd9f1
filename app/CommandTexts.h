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

// The colour set's panes.
inline constexpr const char* ColoursTitle = "Colors";
inline constexpr const char* MarksTitle = "Marques";
inline constexpr const char* AddColour = "Afegeix";
inline constexpr const char* RemoveColour = "Elimina";
inline constexpr const char* AddColourTip = "Afegeix un color al conjunt";
inline constexpr const char* RemoveColourTip = "Elimina el color seleccionat";
inline constexpr const char* NameHeader = "Nom";
inline constexpr const char* ColourHeader = "Color";
inline constexpr const char* MarksHeader = "Marques";
inline constexpr const char* IdHeader = "Id";
inline constexpr const char* AngleHeader = "Angle";
inline constexpr const char* AgeHeader = "Edat";
inline constexpr const char* SwatchTip = "Canviar el color del contorn";
inline constexpr const char* PickColourTitle = "Triar color del contorn";
inline constexpr const char* BadColourName =
    "El nom d'un color ha de tenir d'1 a 32 lletres sense accents, xifres, '-' o '_'";
inline constexpr const char* ColourNameTaken = "Ja hi ha un color amb aquest nom";
}  // namespace Texts
