// What a surface backend provides to the shared surface code.
#pragma once
#include "../image.h"

bool backend_open(int width, int height);
void backend_close();
void backend_present(const IMAGE* page);
// Handles pending window events (queueing keys with key_push); when none is
// pending, waits up to timeout_ms for one (-1: without limit).
void backend_wait(int timeout_ms);
