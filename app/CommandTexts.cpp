#include "CommandTexts.h"

#include "CommandIds.h"

namespace {
// Menu entries and prompt strings, one row per command id.
constexpr CCommandText CommandTable[] = {
    {Cmd::FileNew, "", "Create a new document\nNew"},
    {Cmd::FileOpen, "&Obrir", "Obrir fitxer d'ajustos\nObrir"},
    {Cmd::FileSave, "", "Guardar ajustos actuals\nGuardar"},
    {Cmd::FileSaveAs, "&Guardar", "Guardar ajustos actuals amb un nou nom\nGuardar com"},
    {Cmd::AppExit, "&Sortir", "Tanca l'aplicació\nSortir"},
    {Cmd::LiveVideo, "&Imatge viva", "Vídeo en temps real\nImatge viva"},
    {Cmd::ConfigPanel, "&Configuració", "Panell de configuració\nConfiguració"},
    {Cmd::ChangeDevice, "C&anvi dispositiu captura",
     "Canvi de dispositiu de captura\nCanvi dispositiu captura"},
    {Cmd::FormatDialog, "&Format", "Diàleg de configuració de format\nFormat"},
    {Cmd::SourceDialog, "F&ont vídeo", "Diàleg font de vídeo\nFont de vídeo"},
    {Cmd::DisplayDialog, "&Visualització", "Diàleg visualització d'imatge\nVisualització"},
    {Cmd::ViewToolBar, "&Barra d'eines", "Mostra o oculta la barra d'eines\nBarra d'eines"},
    {Cmd::ViewStatusBar, "B&arra d'estat", "Mostra o oculta la barra d'estat\nBarra d'estat"},
    {Cmd::ViewColours, "&Colors", "Mostra o oculta el panell de colors\nColors"},
    {Cmd::ViewMarks, "&Marques", "Mostra o oculta la taula de marques\nMarques"},
    {Cmd::AppAbout, "&Quant a Quelta...", "Mostra informació sobre l'aplicació\nQuant a"},
};

QString PromptPart(int id, bool tip) {
    const CCommandText* text = FindCommandText(id);
    if (!text)
        return {};
    const QString prompt = QString::fromUtf8(text->Prompt);
    const qsizetype split = prompt.indexOf(u'\n');
    if (split < 0)
        return tip ? QString() : prompt;
    return tip ? prompt.mid(split + 1) : prompt.left(split);
}
}  // namespace

const CCommandText* FindCommandText(int id) {
    for (const CCommandText& text : CommandTable)
        if (text.Id == id)
            return &text;
    return nullptr;
}

QString MenuText(int id) {
    const CCommandText* text = FindCommandText(id);
    return text ? QString::fromUtf8(text->MenuText) : QString();
}

QString StatusPrompt(int id) { return PromptPart(id, false); }
QString ToolTipText(int id) { return PromptPart(id, true); }
