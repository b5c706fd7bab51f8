// morvel: a self-running audiovisual demo. Takes no arguments; reads its
// assets from data/ under the working directory.
#include "app/Demo.h"

int main() {
    Demo demo;
    return demo.run();
}
