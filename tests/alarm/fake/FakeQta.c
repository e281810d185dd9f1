/* A scripted stand-in for the tracking library. The monitor opens it by file name exactly as it
   opens the real one; the test opens the same file to script the answers and read the counts. */
#include "FakeQta.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static short initResult = 1;
static short positionResult = 0;
static int counts[FAKE_QTA_COUNTERS];
static int lastSource = -1;
/* The set: one colour, "mark", as a store without a set holds; colour 0's answer is
   positionResult, the others' their own. */
static int colourCount = 1;
static char colourNames[FAKE_QTA_MOST_COLOURS][33] = {"mark"};
static short colourPositions[FAKE_QTA_MOST_COLOURS];
static int lastColour = -1;

FAKE_QTA_EXPORT void FakeQtaReset(void) {
    initResult = 1;
    positionResult = 0;
    lastSource = -1;
    for (int i = 0; i < FAKE_QTA_COUNTERS; ++i)
        counts[i] = 0;
    colourCount = 1;
    strcpy(colourNames[0], "mark");
    for (int i = 0; i < FAKE_QTA_MOST_COLOURS; ++i)
        colourPositions[i] = 0;
    lastColour = -1;
}

/* The set from now on: `count` colours, the first ones named and answered by these. */
FAKE_QTA_EXPORT void FakeQtaScriptColours(int count, const char* const* names,
                                          const short* positions) {
    colourCount = count;
    for (int i = 0; i < count && i < FAKE_QTA_MOST_COLOURS; ++i) {
        snprintf(colourNames[i], sizeof colourNames[i], "%s", names[i]);
        colourPositions[i] = positions[i];
    }
}

FAKE_QTA_EXPORT int FakeQtaLastColour(void) { return lastColour; }

FAKE_QTA_EXPORT void FakeQtaScript(short init, short position) {
    initResult = init;
    positionResult = position;
}

FAKE_QTA_EXPORT int FakeQtaCount(int which) {
    return which >= 0 && which < FAKE_QTA_COUNTERS ? counts[which] : -1;
}

FAKE_QTA_EXPORT int FakeQtaLastSource(void) { return lastSource; }

/* With FAKE_QTA_LOG set, each call is also written to that file, for tests that run the
   monitor as a program of its own. */
static void LogCall(const char* name) {
    const char* path = getenv("FAKE_QTA_LOG");
    FILE* log = path ? fopen(path, "a") : NULL;
    if (!log)
        return;
    fprintf(log, "%s\n", name);
    fclose(log);
}

FAKE_QTA_EXPORT short QTAInicialitza(int source) {
    ++counts[FAKE_QTA_INIT];
    LogCall("QTAInicialitza");
    lastSource = source;
    return initResult;
}

#ifndef FAKE_QTA_WITHOUT_POSITION
FAKE_QTA_EXPORT short QTAObtenirPosicio(short* x, short* y) {
    ++counts[FAKE_QTA_POSITION];
    *x = 320;
    *y = 240;
    return positionResult;
}
#endif

#ifndef FAKE_QTA_WITHOUT_COLOURS
FAKE_QTA_EXPORT int QTANombreColors(void) { return colourCount; }

FAKE_QTA_EXPORT int QTANomColor(int color, char* nom, int capacitat) {
    if (!nom || color < 0 || color >= colourCount)
        return 0;
    const int length = (int)strlen(colourNames[color]);
    if (capacitat < length + 1)
        return 0;
    memcpy(nom, colourNames[color], (size_t)length + 1);
    return length;
}

FAKE_QTA_EXPORT short QTAObtenirPosicioColor(int color, short* x, short* y) {
    ++counts[FAKE_QTA_POSITION_COLOUR];
    lastColour = color;
    if (color < 0 || color >= colourCount)
        return 0;
    *x = 320;
    *y = 240;
    return color == 0 ? positionResult : colourPositions[color];
}
#endif

FAKE_QTA_EXPORT void QTAFinalitza(void) {
    ++counts[FAKE_QTA_FINAL];
    LogCall("QTAFinalitza");
}
