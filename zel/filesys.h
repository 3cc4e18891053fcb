// File-system services: text files.
#pragma once
