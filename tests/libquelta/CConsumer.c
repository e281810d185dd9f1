/* Compiled as C: the header must be plain C and the calls reachable with C linkage. */
#include <quelta.h>

#include <stddef.h>

int CallEveryFunctionFromC(void) {
    short x = 0, y = 0;
    QTAMarca marques[4];
    char nom[QTA_LONGITUD_NOM];
    int answer = QTAObtenirPosicio(&x, &y);
    answer += QTACarregarAjustos(NULL);
    answer += QTAObtenirMarques(marques, 4);
    answer += QTAObtenirPosicioColor(0, &x, &y);
    QTAFinalitza();
    if (QTANombreColors() < 1 || QTANomColor(0, nom, (int)sizeof nom) < 1)
        return -2;
    if (QTAInicialitza(-1) != 1)
        return -1;
    QTAFinalitza();
    return answer;
}
