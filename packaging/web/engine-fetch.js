// SPDX-License-Identifier: Zlib
// Before the game starts, its engine is fetched beside the page and put where the game's
// loader looks for it, the top of the page's file system. The module is compiled there
// and then, while the page loads, so that opening it by name later needs no waiting.
// Without it (not found, not fetched) the game starts all the same, and its loader
// reports the engine missing as it would on any system.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var name = 'libZenGL.so';
  addRunDependency('engine');
  var settled = false;
  function done() {
    if (!settled) {
      settled = true;
      removeRunDependency('engine');
    }
  }
  fetch(name, { credentials: 'same-origin' })
    .then(function (response) {
      if (!response.ok) throw new Error(name + ': ' + response.status + ' ' + response.statusText);
      return response.arrayBuffer();
    })
    .then(function (bytes) {
      FS.createPreloadedFile('/', name, new Uint8Array(bytes), true, false, done, function () {
        err(name + ': not an engine module this page can use');
        try { FS.unlink('/' + name); } catch (e) {}
        done();
      });
    })
    .catch(function (e) {
      err(String(e && e.message || e));
      done();
    });
});
