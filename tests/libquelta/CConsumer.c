/* Compiled as C: the header must be plain C and the calls reachable with C linkage. */
#include <quelta.h>

#include <stddef.h>

int CallEveryFunctionFromC(void) {
    short x = 0, y = 0;
    int answer = QTAObtenirPosicio(&x, &y);
    answer += QTACarregarAjustos(NULL);
    QTAFinalitza();
    if (QTAInicialitza(-1) != 1)
        return -1;
    QTAFinalitza();
    return answer;
}
