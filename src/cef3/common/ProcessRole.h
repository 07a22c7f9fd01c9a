#pragma once
// The role of this process of the program: every process runs the same
// program file, and the engine marks its sub-processes with the switch "type".
enum class ProcessRole { Browser, Renderer, Other };

// No "type" switch: browser; "type" equal to "renderer": renderer; any other
// value: other. Read from this process's command line.
ProcessRole GetProcessRole();
