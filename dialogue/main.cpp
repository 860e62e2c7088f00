#include <cstdio>

#include "dialogue/dialogue.h"
#include "dialogue/wait_for_key.h"

int main() {
    const int status = run_dialogue(stdin, stdout, stderr);
    wait_for_key();
    return status;
}
