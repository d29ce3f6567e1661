/* A program that does nothing: what spawn_each starts to time process start-up alone. */
int main(void) { return 0; }
