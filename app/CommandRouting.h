#pragma once

class CMainFrame;
class CQueltaApp;
class CQueltaDoc;
class CQueltaView;

// Joins each command's action to its handler (view, document, frame or application) and
// keeps the enabled and checked states of the document's commands up to date.
void ConnectCommands(CQueltaApp& app, CMainFrame& frame, CQueltaDoc& doc, CQueltaView& view);
void RefreshDocCommands(CMainFrame& frame, const CQueltaDoc& doc);
