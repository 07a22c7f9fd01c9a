#pragma once
// The page objects every script context starts with, written in script.
// Called with (global, native, page); native holds the engine's hooks.
namespace cefstub {
static const char kBootstrapJs[] = R"JS((function (g, native, page) {
  var timers = {}, nextTimer = 1, loadListeners = [], slice = Array.prototype.slice;
  function str(v) { return v === undefined ? '' : String(v); }
  g.window = g; g.self = g; g.top = g; g.parent = g; g.frames = []; g.name = page.name;
  function parts() {
    var m = /^([a-zA-Z][a-zA-Z0-9+.-]*:)(?:\/\/([^\/?#]*))?([^?#]*)(\?[^#]*)?(#.*)?$/.exec(native.url()) || [];
    var host = m[2] || '', c = host.lastIndexOf(':');
    return { protocol: m[1] || '', host: host, hostname: c >= 0 ? host.substring(0, c) : host,
             port: c >= 0 ? host.substring(c + 1) : '', pathname: m[3] || '', search: m[4] || '', hash: m[5] || '' };
  }
  var location = {
    assign: function (u) { native.navigate(native.resolve(str(u))); },
    replace: function (u) { native.navigate(native.resolve(str(u))); },
    reload: function () { native.reload(); },
    toString: function () { return native.url(); }
  };
  Object.defineProperty(location, 'href', { get: function () { return native.url(); },
    set: function (u) { native.navigate(native.resolve(str(u))); } });
  ['protocol', 'host', 'hostname', 'port', 'pathname', 'search', 'hash'].forEach(function (k) {
    Object.defineProperty(location, k, { get: function () { return parts()[k]; } });
  });
  Object.defineProperty(location, 'origin', { get: function () { var p = parts(); return p.protocol + '//' + p.host; } });
  Object.defineProperty(g, 'location', { get: function () { return location; },
    set: function (u) { native.navigate(native.resolve(str(u))); } });

  function listen(target) {
    target._listeners = {};
    target.addEventListener = function (type, fn) { (this._listeners[type] = this._listeners[type] || []).push(fn); };
    target.removeEventListener = function (type, fn) {
      var l = this._listeners[type] || [], i = l.indexOf(fn); if (i >= 0) l.splice(i, 1);
    };
    target.dispatchEvent = function (ev) {
      var l = (this._listeners[ev.type] || []).slice(), self = this, result = true;
      var handler = this['on' + ev.type];
      if (typeof handler === 'function' && handler.call(self, ev) === false) result = false;
      l.forEach(function (fn) { fn.call(self, ev); });
      return result && !ev.defaultPrevented;
    };
  }
  function makeEvent(type, target) {
    return { type: type, target: target, defaultPrevented: false,
             preventDefault: function () { this.defaultPrevented = true; }, stopPropagation: function () {} };
  }
  function Element(d) {
    var a = d.attrs || {};
    this.tagName = d.tag.toUpperCase(); this.nodeName = this.tagName; this._attrs = a;
    this.id = a.id || ''; this.name = a.name || ''; this.className = a['class'] || '';
    this.innerText = this.textContent = this.innerHTML = d.text || '';
    this.value = a.value || ''; this.style = {}; this.children = []; this.childNodes = [];
    this.href = a.href !== undefined ? native.resolve(a.href) : '';
    this.src = a.src !== undefined ? native.resolve(a.src) : '';
    this.target = a.target || '';
    this.checked = a.checked !== undefined; this.disabled = a.disabled !== undefined;
    listen(this);
    for (var k in a) {
      if (k.substring(0, 2) === 'on') {
        try { this[k] = new Function('event', a[k]); } catch (e) { native.log(3, 'SyntaxError in ' + k + ': ' + e); }
      }
    }
  }
  Element.prototype.getAttribute = function (n) {
    n = str(n).toLowerCase(); return this._attrs.hasOwnProperty(n) ? this._attrs[n] : null;
  };
  Element.prototype.setAttribute = function (n, v) { n = str(n).toLowerCase(); this._attrs[n] = str(v);
    if (n === 'href') this.href = native.resolve(str(v)); else if (n in this && n !== 'style') this[n] = str(v); };
  Element.prototype.hasAttribute = function (n) { return this._attrs.hasOwnProperty(str(n).toLowerCase()); };
  Element.prototype.removeAttribute = function (n) { delete this._attrs[str(n).toLowerCase()]; };
  Element.prototype.appendChild = function (c) { this.children.push(c); this.childNodes.push(c); return c; };
  Element.prototype.removeChild = function (c) { var i = this.children.indexOf(c); if (i >= 0) this.children.splice(i, 1); return c; };
  Element.prototype.focus = Element.prototype.blur = function () {};
  Element.prototype.click = function () {
    if (!this.dispatchEvent(makeEvent('click', this))) return;
    if (this.tagName !== 'A' || this._attrs.href === undefined) return;
    var raw = this._attrs.href;
    if (/^javascript:/i.test(raw)) { (0, eval)(decodeURIComponent(raw.substring(11))); return; }
    var t = this.target;
    if (t && t !== '_self' && t !== '_top' && t !== '_parent') native.open(this.href, t);
    else native.navigate(this.href);
  };
  var byOrder = page.elements.map(function (d) { return new Element(d); });
  var body = byOrder.filter(function (e) { return e.tagName === 'BODY'; })[0] || new Element({ tag: 'body', attrs: {}, text: page.text });
  var documentElement = new Element({ tag: 'html', attrs: {}, text: page.text });
  var title = page.title;
  var document = { body: body, documentElement: documentElement, readyState: 'loading', referrer: '',
    characterSet: 'UTF-8', charset: 'UTF-8', location: location,
    getElementById: function (id) { id = str(id);
      for (var i = 0; i < byOrder.length; i++) if (byOrder[i].id === id) return byOrder[i]; return null; },
    getElementsByTagName: function (t) { t = str(t).toUpperCase();
      return byOrder.filter(function (e) { return t === '*' || e.tagName === t; }); },
    getElementsByName: function (n) { n = str(n); return byOrder.filter(function (e) { return e.name === n; }); },
    getElementsByClassName: function (c) { c = str(c);
      return byOrder.filter(function (e) { return (' ' + e.className + ' ').indexOf(' ' + c + ' ') >= 0; }); },
    querySelector: function (s) { return this.querySelectorAll(s)[0] || null; },
    querySelectorAll: function (s) { s = str(s);
      if (s.charAt(0) === '#') { var e = this.getElementById(s.substring(1)); return e ? [e] : []; }
      if (s.charAt(0) === '.') return this.getElementsByClassName(s.substring(1));
      return this.getElementsByTagName(s); },
    createElement: function (t) { var e = new Element({ tag: str(t), attrs: {}, text: '' }); byOrder.push(e); return e; },
    createTextNode: function (t) { return { nodeType: 3, textContent: str(t) }; },
    write: function () {}, writeln: function () {}, open: function () {}, close: function () {}
  };
  Object.defineProperty(document, 'title', { get: function () { return title; },
    set: function (t) { title = str(t); native.setTitle(title); } });
  Object.defineProperty(document, 'cookie', { get: function () { return native.getCookie(); },
    set: function (c) { native.setCookie(str(c)); } });
  Object.defineProperty(document, 'URL', { get: function () { return native.url(); } });
  Object.defineProperty(document, 'domain', { get: function () { return parts().hostname; } });
  listen(document);
  g.document = document;
  g.navigator = { userAgent: 'Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/49.0 Safari/537.36',
                  language: 'zh-CN', languages: ['zh-CN'], platform: 'Win32', cookieEnabled: true, onLine: true };
  g.screen = { width: 1280, height: 800, availWidth: 1280, availHeight: 800 };
  g.innerWidth = 1280; g.innerHeight = 800;
  listen(g);
  function timer(repeat, fn, ms, args) {
    var id = nextTimer++; ms = Math.max(0, ms | 0);
    timers[id] = { fn: fn, args: args, repeat: repeat, ms: ms };
    native.timer(id, ms); return id;
  }
  g.setTimeout = function (fn, ms) { return timer(false, fn, ms, slice.call(arguments, 2)); };
  g.setInterval = function (fn, ms) { return timer(true, fn, ms, slice.call(arguments, 2)); };
  g.clearTimeout = g.clearInterval = function (id) { delete timers[id]; };
  g.open = function (u, name) { native.open(u === undefined ? '' : native.resolve(str(u)), str(name)); return null; };
  g.close = g.focus = g.blur = g.print = g.scrollTo = g.scrollBy = g.moveTo = g.resizeTo = function () {};
  g.alert = function (m) { native.log(1, 'alert: ' + str(m)); };
  g.confirm = function (m) { native.log(1, 'confirm: ' + str(m)); return true; };
  g.prompt = function () { return null; };
  function join(a) { return slice.call(a).map(function (x) {
    if (typeof x === 'object' && x !== null) { try { return JSON.stringify(x); } catch (e) {} } return String(x); }).join(' '); }
  g.console = { log: function () { native.log(1, join(arguments)); }, info: function () { native.log(1, join(arguments)); },
    debug: function () { native.log(0, join(arguments)); }, warn: function () { native.log(2, join(arguments)); },
    error: function () { native.log(3, join(arguments)); } };
  native.fireTimer = function (id) {
    var t = timers[id]; if (!t) return;
    if (t.repeat) native.timer(id, t.ms); else delete timers[id];
    if (typeof t.fn === 'function') t.fn.apply(g, t.args); else (0, eval)(str(t.fn));
  };
  native.fireLoad = function () {
    document.readyState = 'interactive';
    document.dispatchEvent(makeEvent('DOMContentLoaded', document));
    document.readyState = 'complete';
    if (page.bodyOnload) {
      try { new Function('event', page.bodyOnload).call(g, makeEvent('load', g)); }
      catch (e) { native.log(3, 'Uncaught ' + e); }
    }
    var ev = makeEvent('load', g);
    if (typeof body.onload === 'function' && !page.bodyOnload) body.onload.call(g, ev);
    g.dispatchEvent(ev);
  };
}))JS";
}  // namespace cefstub
