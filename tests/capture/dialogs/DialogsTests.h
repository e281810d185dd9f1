#pragma once
#include <QObject>

class CFormatDialogTests : public QObject {
    Q_OBJECT
private slots:
    void DuplicateFormatsShownOnceWithCurrentSelected();
    void OkSwitchesToChosenFormat();
    void CancelOrUnchangedChoiceLeavesDeviceAlone();
    void RefusedFormatKeepsDialogOpen();
};

class CSourceDialogTests : public QObject {
    Q_OBJECT
private slots:
    void EditorsFollowControlKindsInCatalan();
    void ChangesReachDeviceLive();
    void EnterClosesWithoutResettingOrPressing();
    void SwitchingAutomaticOffEnablesManualValue();
    void SliderValueSnapsToControlStep();
    void FullRangeControlPagesByATenthOfItsRange();
    void RefusedValueShowsWhatDeviceKept();
    void RestoreDefaultsAlsoResetsManualValueBehindAutomatic();
};

class CSourceChoiceTests : public QObject {
    Q_OBJECT
private slots:
    void TypedText_data();
    void TypedText();
    void TestCameraPreselectedWithoutCameras();
    void RememberedChoicePreselected();
    void TypingChoosesFreeEntryAndBlankDisablesOk();
    void MissingFileKeepsDialogOpen();
};

// Through the real capture source and the entry points the program calls.
class CLiveDialogTests : public QObject {
    Q_OBJECT
private slots:
    void FormatDialogSwitchesTestCamera();
    void SourceDialogDrivesTestCameraLive();
    void ChoiceCancelGivesEmptyAndOkGivesChoice();
};
