/* The tracking library on vivid, as a C program uses it. The red bar's limits come from a
 * settings file that quelta-track learnt with --click.
 *   library_probe SETTINGS.qta            the mark is found (1) on the first camera
 *   library_probe SETTINGS.qta unplug     and: 0 while vivid is unbound for 2 s, 1 again after
 * Prints what it saw; exit 0 when all went as said, 1 otherwise. */
#include <quelta.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static void Sleep65(void) {
    const struct timespec t = {0, 65 * 1000 * 1000};
    nanosleep(&t, NULL);
}

/* Polls as the alarm monitor does until the answer is `wanted`; the seconds it took, or -1. */
static double WaitFor(short wanted, double limit) {
    const double start = Now();
    short x = 0, y = 0;
    while (Now() - start < limit) {
        if (QTAObtenirPosicio(&x, &y) == wanted) {
            if (wanted)
                printf("library: mark at %d,%d\n", x, y);
            return Now() - start;
        }
        Sleep65();
    }
    return -1;
}

static int WriteFile(const char* path, const char* text) {
    FILE* f = fopen(path, "w");
    if (!f)
        return 0;
    const int ok = fputs(text, f) >= 0;
    return fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    if (!QTAInicialitza(1)) {
        printf("FAIL: QTAInicialitza(1) answered 0\n");
        return 1;
    }
    int failed = 0;
    if (QTACarregarAjustos(argv[1]) != 1) {
        printf("FAIL: QTACarregarAjustos(%s)\n", argv[1]);
        failed = 1;
    } else if (WaitFor(1, 20) < 0) {
        printf("FAIL: the library never answered 1\n");
        failed = 1;
    } else if (argc > 2 && strcmp(argv[2], "unplug") == 0) {
        WriteFile("/sys/bus/platform/drivers/vivid/unbind", "vivid.0");
        const double gone = WaitFor(0, 5);
        printf("library: answered 0 %.2f s after the camera went\n", gone);
        const struct timespec rest = {2, 0};
        nanosleep(&rest, NULL);
        short x, y;
        const int stillZero = QTAObtenirPosicio(&x, &y) == 0;
        WriteFile("/sys/bus/platform/drivers/vivid/bind", "vivid.0");
        const double back = WaitFor(1, 15);
        printf("library: answered 1 again %.2f s after the camera came back\n", back);
        if (gone < 0 || !stillZero || back < 0) {
            printf("FAIL: expected 0 while the camera was gone and 1 after\n");
            failed = 1;
        }
    }
    QTAFinalitza();
    return failed;
}
