/* A module that only carries resources for the installer tests. */
int FerruleTestResourceModule;
