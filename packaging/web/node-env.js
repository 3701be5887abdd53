// SPDX-License-Identifier: Zlib
// A program built for the web and run under node sees the environment it was started
// with, as a native one does (the tests name SDL's dummy video driver there).
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  Object.assign(ENV, process.env);
});
