/* Runs a program once per *.bmp file of the current folder, one after the other,
 * with posix_spawn: the floor of any batch that starts a process per file.
 *   spawn_each PROGRAM                      runs PROGRAM FILE
 *   spawn_each PROGRAM PALETTE OUT_FOLDER   runs PROGRAM FILE -O OUT_FOLDER/FILE -P PALETTE
 * Exits 1 if a run fails. */
#include <glob.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    fprintf(stderr, "usage: spawn_each PROGRAM [PALETTE OUT_FOLDER]\n");
    return 2;
  }
  glob_t files;
  if (glob("*.bmp", 0, NULL, &files) != 0) {
    fprintf(stderr, "spawn_each: no *.bmp file here\n");
    return 2;
  }
  int failed = 0;
  for (size_t i = 0; i < files.gl_pathc; ++i) {
    char output[4096];
    char* args[7];
    int n = 0;
    args[n++] = argv[1];
    args[n++] = files.gl_pathv[i];
    if (argc == 4) {
      snprintf(output, sizeof output, "%s/%s", argv[3], files.gl_pathv[i]);
      args[n++] = "-O";
      args[n++] = output;
      args[n++] = "-P";
      args[n++] = argv[2];
    }
    args[n] = NULL;
    pid_t child;
    int status;
    if (posix_spawn(&child, argv[1], NULL, NULL, args, environ) != 0 ||
        waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      failed = 1;
    }
  }
  globfree(&files);
  return failed;
}
