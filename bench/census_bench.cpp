#include "catalogue/census.h"
int main() { return 0; }
