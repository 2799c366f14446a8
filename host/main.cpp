// Reference host (first steps): placeholder until the window core lands.
#include <cstdio>
int main() { std::puts("tavrin-host"); return 0; }
