// The JSON interface described for other programs (OpenAPI 3): what
// /api/v1/openapi.json answers.
#include "server/service.h"

const std::string &lsv__openapi_text()
{
    static const std::string text = R"json({
  "openapi": "3.0.3",
  "info": {
    "title": "Vellumo label server",
    "version": "1",
    "description": "Labels stored on the server, drawn as PDF, PNG, SVG or a thermal printer's job (ZPL, TSPL, EPL), and printed on the server's printers through a durable queue. The same users, store and limits as the server's XML-RPC interface at /RPC2. Errors are {\"error\": {\"code\", \"message\"}} with the HTTP status that fits; messages are in Russian."
  },
  "components": {
    "securitySchemes": {
      "basic": {"type": "http", "scheme": "basic"},
      "session": {"type": "apiKey", "in": "cookie", "name": "vellumo_session", "description": "The web page's session (POST /api/v1/session). A call with it that is not GET or HEAD must carry the header X-Requested-With: vellumo, else 403."}
    },
    "schemas": {
      "Error": {
        "type": "object",
        "properties": {"error": {"type": "object", "properties": {
          "code": {"type": "string", "example": "not_found"},
          "message": {"type": "string"}}, "required": ["code", "message"]}},
        "required": ["error"]
      },
      "Variables": {
        "description": "Values of ${name} in texts and barcodes: an object of names, or an array of {name, value}.",
        "oneOf": [
          {"type": "object", "additionalProperties": {"oneOf": [{"type": "string"}, {"type": "number"}]}},
          {"type": "array", "items": {"type": "object", "properties": {"name": {"type": "string"}, "value": {"type": "string"}}, "required": ["name", "value"]}}
        ]
      },
      "Job": {
        "type": "object",
        "properties": {
          "job": {"type": "string", "description": "The job's number"},
          "state": {"type": "string", "enum": ["queued", "printing", "done", "failed"]},
          "printer": {"type": "string"},
          "labels": {"type": "integer", "description": "Labels the job prints (rows × copies)"},
          "printed": {"type": "integer", "description": "Labels the printer took so far"},
          "error": {"type": "string", "description": "Why it failed, or why it waits (the printer cannot be reached)"}
        },
        "required": ["job", "state", "printer", "labels", "printed"]
      }
    },
    "responses": {
      "Error": {"description": "The request was refused", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}}
    }
  },
  "security": [{"basic": []}, {"session": []}],
  "paths": {
    "/api/v1/session": {
      "post": {
        "summary": "Signs in: checks the user as HTTP Basic would and sets the session cookie (HttpOnly, SameSite=Strict, Path=/, Secure behind X-Forwarded-Proto: https)",
        "security": [],
        "parameters": [{"name": "X-Requested-With", "in": "header", "required": true, "schema": {"type": "string", "enum": ["vellumo"]}}],
        "requestBody": {"required": true, "content": {"application/json": {"schema": {"type": "object", "additionalProperties": false, "properties": {
          "user": {"type": "string", "maxLength": 200}, "password": {"type": "string"}}, "required": ["user", "password"]}}}},
        "responses": {
          "200": {"description": "Signed in", "headers": {"Set-Cookie": {"schema": {"type": "string"}}}, "content": {"application/json": {"schema": {"type": "object", "properties": {"user": {"type": "string"}}}}}},
          "400": {"$ref": "#/components/responses/Error"},
          "401": {"$ref": "#/components/responses/Error"},
          "403": {"$ref": "#/components/responses/Error"},
          "413": {"$ref": "#/components/responses/Error"}
        }
      },
      "get": {
        "summary": "The user of the session the cookie names",
        "security": [{"session": []}],
        "responses": {
          "200": {"description": "Signed in", "content": {"application/json": {"schema": {"type": "object", "properties": {"user": {"type": "string"}}}}}},
          "401": {"$ref": "#/components/responses/Error"}
        }
      },
      "delete": {
        "summary": "Signs out: the session ends on the server and the cookie is cleared",
        "security": [{"session": []}],
        "parameters": [{"name": "X-Requested-With", "in": "header", "required": true, "schema": {"type": "string", "enum": ["vellumo"]}}],
        "responses": {
          "200": {"description": "Signed out", "content": {"application/json": {"schema": {"type": "object"}}}},
          "403": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/labels": {
      "get": {
        "summary": "The stored labels, by name",
        "responses": {
          "200": {"description": "The labels", "content": {"application/json": {"schema": {"type": "array", "items": {"type": "object", "properties": {
            "name": {"type": "string"}, "description": {"type": "string"}, "modified": {"type": "string", "format": "date-time"}}, "required": ["name", "description"]}}}}},
          "401": {"$ref": "#/components/responses/Error"},
          "503": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/labels/{name}": {
      "get": {
        "summary": "One label, its members as the label file holds them (pictures as base64)",
        "parameters": [{"name": "name", "in": "path", "required": true, "description": "The label's name, percent-encoded UTF-8", "schema": {"type": "string"}}],
        "responses": {
          "200": {"description": "The label", "content": {"application/json": {"schema": {"type": "object"}}}},
          "400": {"$ref": "#/components/responses/Error"},
          "401": {"$ref": "#/components/responses/Error"},
          "404": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/render": {
      "post": {
        "summary": "A document of a stored label: one label, a label per row, or labels on sheets",
        "requestBody": {"required": true, "content": {"application/json": {"schema": {"type": "object", "additionalProperties": false, "properties": {
          "label": {"type": "string"},
          "format": {"type": "string", "enum": ["pdf", "png", "svg", "zpl", "tspl", "epl"]},
          "variables": {"$ref": "#/components/schemas/Variables"},
          "rows": {"type": "array", "maxItems": 10000, "items": {"$ref": "#/components/schemas/Variables"}, "description": "A label per row (not for png and svg)"},
          "dpi": {"type": "integer", "description": "PNG: 10…2400, default 300; zpl, tspl, epl: the printer's 100…600, default 203"},
          "sheet": {"type": "string", "description": "A sheet of the catalogue, \"BRAND PART\" (pdf only)"},
          "first": {"type": "integer", "minimum": 1},
          "copies": {"type": "integer", "minimum": 1, "maximum": 1000}
        }, "required": ["label", "format"]}}}},
        "responses": {
          "200": {"description": "The document (application/octet-stream: a thermal printer's job)", "content": {
            "application/pdf": {"schema": {"type": "string", "format": "binary"}},
            "image/png": {"schema": {"type": "string", "format": "binary"}},
            "image/svg+xml": {"schema": {"type": "string", "format": "binary"}},
            "application/octet-stream": {"schema": {"type": "string", "format": "binary"}}}},
          "400": {"$ref": "#/components/responses/Error"},
          "401": {"$ref": "#/components/responses/Error"},
          "404": {"$ref": "#/components/responses/Error"},
          "413": {"$ref": "#/components/responses/Error"},
          "422": {"$ref": "#/components/responses/Error"},
          "503": {"$ref": "#/components/responses/Error"},
          "504": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/printers": {
      "get": {
        "summary": "The server's printers (its printers file)",
        "responses": {
          "200": {"description": "The printers", "content": {"application/json": {"schema": {"type": "array", "items": {"type": "object", "properties": {
            "name": {"type": "string"}, "kind": {"type": "string", "enum": ["cups", "thermal"]},
            "language": {"type": "string", "enum": ["zpl", "tspl", "epl"]}, "dpi": {"type": "integer"}}, "required": ["name", "kind"]}}}}},
          "401": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/print": {
      "post": {
        "summary": "Queues a stored label for one of the server's printers; answered once the job is kept in the store",
        "requestBody": {"required": true, "content": {"application/json": {"schema": {"type": "object", "additionalProperties": false, "properties": {
          "label": {"type": "string"},
          "printer": {"type": "string"},
          "variables": {"$ref": "#/components/schemas/Variables"},
          "rows": {"type": "array", "minItems": 1, "maxItems": 10000, "items": {"$ref": "#/components/schemas/Variables"}, "description": "A label per row; not with variables"},
          "copies": {"type": "integer", "minimum": 1, "maximum": 10000},
          "key": {"type": "string", "minLength": 1, "maxLength": 200, "description": "The client's name for this job: the same key again (by the same user) answers the same job and never prints twice; the key with another request is 409"}
        }, "required": ["label", "printer"]}}}},
        "responses": {
          "202": {"description": "The job, queued (or the job of the same key)", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Job"}}}},
          "400": {"$ref": "#/components/responses/Error"},
          "401": {"$ref": "#/components/responses/Error"},
          "404": {"$ref": "#/components/responses/Error"},
          "409": {"$ref": "#/components/responses/Error"},
          "413": {"$ref": "#/components/responses/Error"},
          "503": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/jobs/{job}": {
      "get": {
        "summary": "A print job's state",
        "parameters": [{"name": "job", "in": "path", "required": true, "schema": {"type": "string"}}],
        "responses": {
          "200": {"description": "The job", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Job"}}}},
          "401": {"$ref": "#/components/responses/Error"},
          "404": {"$ref": "#/components/responses/Error"},
          "503": {"$ref": "#/components/responses/Error"}
        }
      }
    },
    "/api/v1/openapi.json": {
      "get": {"summary": "This description", "security": [], "responses": {"200": {"description": "OpenAPI 3", "content": {"application/json": {}}}}}
    }
  }
}
)json";
    return text;
}
