/* A scripted stand-in for the tracking library. The monitor opens it by file name exactly as it
   opens the real one; the test opens the same file to script the answers and read the counts. */
#include "FakeQta.h"

#include <stdio.h>
#include <stdlib.h>

static short initResult = 1;
static short positionResult = 0;
static int counts[FAKE_QTA_COUNTERS];
static int lastSource = -1;

FAKE_QTA_EXPORT void FakeQtaReset(void) {
    initResult = 1;
    positionResult = 0;
    lastSource = -1;
    for (int i = 0; i < FAKE_QTA_COUNTERS; ++i)
        counts[i] = 0;
}

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

FAKE_QTA_EXPORT void QTAFinalitza(void) {
    ++counts[FAKE_QTA_FINAL];
    LogCall("QTAFinalitza");
}
