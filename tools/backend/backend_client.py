"""Python client of the local back-end's control API (see server.py).

    from backend_client import Backend
    b = Backend("build/x86_64")          # reads build/x86_64/backend/ports.txt
    b.add_routes({"path": "/version/get", "body_json": {"success": True, "data": None}})
    ... run the program under test ...
    assert b.requests(path="/version/get")[0]["headers"]
"""
import json
import os
import urllib.parse
import urllib.request

TIMEOUT_S = 10


class Backend:
    def __init__(self, build_dir):
        self.ports = {}
        with open(os.path.join(build_dir, "backend", "ports.txt")) as f:
            for line in f:
                key, _, value = line.strip().partition("=")
                if value:
                    self.ports[key] = int(value)

    def url(self, path_and_query, listener="http"):
        scheme = "http" if listener == "http" else "https"
        return "%s://127.0.0.1:%d%s" % (scheme, self.ports[listener], path_and_query)

    def _call(self, method, name, payload=None):
        data = None if payload is None else json.dumps(payload).encode("utf-8")
        request = urllib.request.Request(self.url("/__control/" + name), data=data, method=method)
        with urllib.request.urlopen(request, timeout=TIMEOUT_S) as answer:
            return json.loads(answer.read().decode("utf-8"))

    def add_routes(self, routes):
        return self._call("POST", "routes", routes)

    def replace_routes(self, routes):
        return self._call("PUT", "routes", routes)

    def reset(self):
        return self._call("POST", "reset", {})

    def clear_requests(self):
        return self._call("DELETE", "requests")

    def requests(self, path=None):
        query = "?" + urllib.parse.urlencode({"path": path}) if path else ""
        return self._call("GET", "requests" + query)["requests"]
