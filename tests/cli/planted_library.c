/* A library someone has dropped into the folder an operator works in, under the name of an
 * instrument maker's library (or of one the program needs): when loaded it leaves a mark in the
 * working directory, so a test can tell that it was. */

#include <stdio.h>

__attribute__((constructor)) static void MarkLoaded(void) {
    FILE* mark = fopen("planted-library-was-loaded", "a");
    if (mark != NULL) {
        fputs("loaded\n", mark);
        fclose(mark);
    }
}
