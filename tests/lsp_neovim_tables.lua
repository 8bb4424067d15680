-- Neovim with the recipe of docs/editors.md (loaded with -u) as the editor
-- of a project's tables and scripts: a script open, the tables typed into
-- without saving, then the outline, definition, references and hover that
-- a user asks for. What Neovim saw goes as JSON to $VORNEL_OUT, for
-- test_lsp_neovim.
local out = {}

local ok, err = pcall(function()
  local root = vim.env.VORNEL_ROOT
  local function open(name)
    vim.cmd('split ' .. vim.fn.fnameescape(root .. '/' .. name))
    return vim.api.nvim_get_current_buf()
  end
  -- A buffer's diagnostics, as "line:column severity code message" from 0,
  -- in their order.
  local function shown(buf)
    local list = {}
    for _, d in ipairs(vim.diagnostic.get(buf)) do
      table.insert(list, string.format('%d:%d %d %s %s', d.lnum, d.col, d.severity, d.code or '-',
                                       d.message))
    end
    table.sort(list)
    return list
  end
  local function settled(buf, test)
    return vim.wait(20000, function() return test(shown(buf)) end, 10)
  end
  local function holds(part)
    return function(list)
      for _, entry in ipairs(list) do
        if entry:find(part, 1, true) then return true end
      end
      return false
    end
  end
  -- A location as "path:line:character", the path from the project folder.
  local function place(location)
    local uri = location.uri or location.targetUri
    local range = location.range or location.targetSelectionRange
    return string.format('%s:%d:%d', vim.uri_to_fname(uri):sub(#root + 2), range.start.line,
                         range.start.character)
  end
  local function request(buf, method, params)
    params.textDocument = { uri = vim.uri_from_bufnr(buf) }
    for _, answer in pairs(vim.lsp.buf_request_sync(buf, method, params, 20000) or {}) do
      if answer.err then error(method .. ': ' .. vim.inspect(answer.err)) end
      return answer.result
    end
    error(method .. ': no answer')
  end
  local function places(result)
    local list = {}
    for _, location in ipairs(result or {}) do table.insert(list, place(location)) end
    table.sort(list)
    return list
  end

  local script = open('portrait.csm')
  out.script_in_time = settled(script, holds('ownr'))
  out.script = shown(script)

  local params = open('tables/param.txt')
  out.params_in_time = settled(params, holds('dual'))
  out.params = shown(params)

  -- A row typed at the end of tags.txt, a field short, then mended.
  local tags = open('tables/tags.txt')
  local rows = vim.api.nvim_buf_line_count(tags)
  vim.api.nvim_buf_set_lines(tags, rows, rows, false, { '"ntag","Typed in Neovim"' })
  out.malformed_in_time = settled(tags, holds('expected 3 fields'))
  out.malformed = shown(tags)
  local typed = vim.api.nvim_buf_get_lines(tags, rows, rows + 1, false)[1]
  vim.api.nvim_buf_set_text(tags, rows, #typed, rows, #typed, { ',none' })
  out.mended_in_time = settled(tags, function(list) return #list == 0 end)
  out.flagged_in_time = settled(script, holds('ntag'))
  out.flagged = shown(script)

  out.symbols = {}
  for _, symbol in ipairs(request(tags, 'textDocument/documentSymbol', {}) or {}) do
    table.insert(out.symbols, string.format('%d %s %s', (symbol.range or symbol.location.range).start.line,
                                            symbol.name, symbol.detail or ''))
  end

  -- From the script's codes: the typed row, and a code both tables list.
  out.definition_typed = places(request(script, 'textDocument/definition',
    { position = { line = 1, character = 20 } }))
  out.definition_both = places(request(script, 'textDocument/definition',
    { position = { line = 2, character = 6 } }))

  -- From tags.txt's first row, and from the same code in the script: the
  -- script in the editor, and one that is not open.
  out.references_row = places(request(tags, 'textDocument/references',
    { position = { line = 0, character = 2 }, context = { includeDeclaration = false } }))
  out.references_script = places(request(script, 'textDocument/references',
    { position = { line = 0, character = 21 }, context = { includeDeclaration = false } }))

  local hover = request(tags, 'textDocument/hover', { position = { line = 0, character = 2 } })
  out.hover = hover and (hover.contents.value or hover.contents) or ''
end)

if not ok then out.error = tostring(err) end
vim.fn.writefile({ vim.fn.json_encode(out) }, vim.env.VORNEL_OUT)
vim.cmd('qall!')
