// The page's offline copy: on install it keeps every file the page needs
// (voltari-files.json lists them); afterwards every request goes to the
// network first, so an online player always gets the page as it is now, with
// code and data that belong together, and the kept copy answers when the
// network does not.
'use strict';

var keep = 'voltari';

self.addEventListener('install', function (event) {
  event.waitUntil(
    fetch('voltari-files.json', { cache: 'no-cache' }).then(function (r) { return r.json(); }).then(function (files) {
      var names = ['voltari.html', 'voltari-files.json'].concat(files.map(function (f) { return f.name; }));
      return caches.open(keep).then(function (cache) { return cache.addAll(names); });
    }).then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', function (event) {
  if (event.request.method !== 'GET') return;
  event.respondWith(fetch(event.request).then(function (response) {
    if (response.ok) {
      var copy = response.clone();
      caches.open(keep).then(function (cache) { cache.put(event.request, copy); });
    }
    return response;
  }).catch(function () {
    return caches.match(event.request, { ignoreSearch: true }).then(function (kept) {
      return kept || Response.error();
    });
  }));
});
