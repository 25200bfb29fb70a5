"""Indents a scene report for review: objects and members one per line, each list of plain
values (coordinates, indices, colours) on one line."""
import json
import sys


def fmt(value, depth=0):
    pad = " " * (depth + 1)
    if isinstance(value, dict) and value:
        items = [pad + json.dumps(k) + ": " + fmt(v, depth + 1) for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + " " * depth + "}"
    if isinstance(value, list) and any(isinstance(v, (dict, list)) for v in value):
        return "[\n" + ",\n".join(pad + fmt(v, depth + 1) for v in value) + "\n" + " " * depth + "]"
    return json.dumps(value, ensure_ascii=False)


print(fmt(json.load(sys.stdin)))
